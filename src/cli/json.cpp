#include "cli/json.h"

#include <cmath>
#include <cstdio>

#include "platform/codec.h"

namespace tunaro::cli {

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"')
      out += "\\\"";
    else if (c == '\\')
      out += "\\\\";
    else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else
      out += ch;
  }
  return out + "\"";
}

void TJsonObject::Key(std::string_view key) {
  if (!Body_.empty()) Body_ += ",";
  Body_ += JsonString(key);
  Body_ += ":";
}

TJsonObject& TJsonObject::Text(std::string_view key, std::string_view utf8) {
  Key(key);
  Body_ += JsonString(utf8);
  return *this;
}

TJsonObject& TJsonObject::Gbk(std::string_view key, std::string_view gbk) {
  return Text(key, platform::GbkToUtf8(gbk));
}

TJsonObject& TJsonObject::Number(std::string_view key, int64_t value) {
  Key(key);
  Body_ += std::to_string(value);
  return *this;
}

TJsonObject& TJsonObject::Real(std::string_view key, double value) {
  Key(key);
  if (!std::isfinite(value)) {
    Body_ += "null";
    return *this;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17g", value);
  Body_ += buf;
  return *this;
}

TJsonObject& TJsonObject::Bool(std::string_view key, bool value) {
  Key(key);
  Body_ += value ? "true" : "false";
  return *this;
}

TJsonObject& TJsonObject::Raw(std::string_view key, std::string_view json) {
  Key(key);
  Body_ += json;
  return *this;
}

}  // namespace tunaro::cli
