// Just enough JSON for one object per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tunaro::cli {

// Quotes a UTF-8 text, escaping quotes, backslashes and control characters (a zero byte is
// \u0000).
std::string JsonString(std::string_view utf8);

class TJsonObject {
 public:
  TJsonObject& Text(std::string_view key, std::string_view utf8);
  // A GBK text of a reader, shown as UTF-8.
  TJsonObject& Gbk(std::string_view key, std::string_view gbk);
  TJsonObject& Number(std::string_view key, int64_t value);
  TJsonObject& Real(std::string_view key, double value);
  TJsonObject& Bool(std::string_view key, bool value);
  TJsonObject& Raw(std::string_view key, std::string_view json);
  std::string Str() const { return "{" + Body_ + "}"; }

 private:
  void Key(std::string_view key);
  std::string Body_;
};

}  // namespace tunaro::cli
