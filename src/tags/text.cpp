#include "tags/text.h"

#include "platform/codec.h"

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

void AppendValue(std::string& joined, std::string_view value) {
  const std::string trimmed = Trim(value);
  if (trimmed.empty()) return;
  if (!joined.empty()) joined += kValueSeparator;
  joined += trimmed;
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

void CutToYear(std::string& date) {
  const auto digit = [&date](size_t i) { return date[i] >= '0' && date[i] <= '9'; };
  if (date.size() > 4 && digit(0) && digit(1) && digit(2) && digit(3) &&
      (date[4] == '-' || date[4] == 'T'))
    date.resize(4);
}

std::string Utf16ToUtf8(const uint8_t* data, size_t bytes, bool bigEndian) {
  const size_t units = bytes / 2;
  auto unit = [&](size_t i) -> uint32_t {
    const uint8_t a = data[2 * i];
    const uint8_t b = data[2 * i + 1];
    return bigEndian ? (uint32_t{a} << 8 | b) : (uint32_t{b} << 8 | a);
  };
  std::string out;
  out.reserve(units);
  for (size_t i = 0; i < units; ++i) {
    const uint32_t u = unit(i);
    if (u == 0) break;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
      const uint32_t low = unit(i + 1);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        platform::AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    platform::AppendUtf8(out, u);  // a lone surrogate becomes U+FFFD
  }
  return out;
}

std::string Utf16BomToUtf8(const uint8_t* data, size_t bytes) {
  if (bytes >= 2 && data[0] == 0xFE && data[1] == 0xFF)
    return Utf16ToUtf8(data + 2, bytes - 2, true);
  if (bytes >= 2 && data[0] == 0xFF && data[1] == 0xFE)
    return Utf16ToUtf8(data + 2, bytes - 2, false);
  return Utf16ToUtf8(data, bytes, false);
}

std::string SanitizeUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t n = platform::WellFormedUtf8Length(s, i);
    if (n == 0) {
      platform::AppendUtf8(out, 0xFFFD);
      ++i;
    } else {
      out.append(s.substr(i, n));
      i += n;
    }
  }
  return out;
}

}  // namespace tunaro::tags
