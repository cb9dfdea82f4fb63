#include "tags/text.h"

namespace tunaro::tags {

std::string TrimRight(std::string_view s) {
  size_t end = s.size();
  while (end > 0 && static_cast<unsigned char>(s[end - 1]) <= 0x20) --end;
  return std::string(s.substr(0, end));
}

std::string Trim(std::string_view s) {
  size_t begin = 0;
  size_t end = s.size();
  while (begin < end && static_cast<unsigned char>(s[begin]) <= 0x20) ++begin;
  while (end > begin && static_cast<unsigned char>(s[end - 1]) <= 0x20) --end;
  return std::string(s.substr(begin, end - begin));
}

std::optional<int32_t> StrToInt(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return std::nullopt;
  uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = static_cast<unsigned>(c - '0');
    else if (hex && c >= 'a' && c <= 'f')
      digit = static_cast<unsigned>(c - 'a' + 10);
    else if (hex && c >= 'A' && c <= 'F')
      digit = static_cast<unsigned>(c - 'A' + 10);
    else
      return std::nullopt;
    value = value * (hex ? 16 : 10) + digit;
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  // Hexadecimal may fill all 32 bits; decimal must fit the signed range.
  if (!hex && value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
  const auto bits = static_cast<uint32_t>(value);
  return static_cast<int32_t>(negative ? 0u - bits : bits);
}

uint8_t TrackFromText(std::string_view s) {
  std::string t = Trim(s);
  const size_t slash = t.find('/');
  if (slash != std::string::npos) t.resize(slash);
  const auto n = StrToInt(t);
  return n ? static_cast<uint8_t>(static_cast<uint32_t>(*n) & 0xFF) : 0;
}

}  // namespace tunaro::tags
