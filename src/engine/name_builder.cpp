#include "engine/name_builder.h"

namespace tunaro::engine {

std::string TrackText(uint8_t track) {
  const std::string s = "0" + std::to_string(track);
  return s.substr(s.size() - 2);
}

namespace {

// Replaces every occurrence, resuming after each inserted value: always ends.
std::string ReplaceAfterEach(std::string text, const std::string& placeholder,
                             const std::string& value) {
  size_t from = 0;
  for (size_t at; (at = text.find(placeholder, from)) != std::string::npos;) {
    text.replace(at, placeholder.size(), value);
    from = at + value.size();
  }
  return text;
}

// Replaces every occurrence with the search restarted at the beginning after each hit, so
// that a "%" joined to an inserted value's leading digit is found again. Restarting one byte
// before the last hit gives the same result, since nothing before it changed. Some values
// regrow the placeholder without end (one holding it, or "11%%" under "%%1"); when the count
// of replacements passes what any ending expansion needs, the text is expanded instead by
// resuming after each inserted value.
std::string ReplaceFromStart(const std::string& original, const std::string& placeholder,
                             const std::string& value) {
  if (value.find(placeholder) != std::string::npos)
    return ReplaceAfterEach(original, placeholder, value);
  std::string text = original;
  const size_t budget = 2 * original.size() + 8;
  size_t from = 0;
  for (size_t steps = 0, at; (at = text.find(placeholder, from)) != std::string::npos; ++steps) {
    if (steps > budget) return ReplaceAfterEach(original, placeholder, value);
    text.replace(at, placeholder.size(), value);
    from = at > 0 ? at - 1 : 0;
  }
  return text;
}

}  // namespace

std::string ExpandTemplate(std::string_view tmpl, const TFieldValues& values) {
  std::string text(tmpl);
  for (size_t k = 0; k < values.size(); ++k)
    text = ReplaceFromStart(text, "%" + std::to_string(k + 1), values[k]);
  return text;
}

bool EveryPlaceholderEmpty(std::string_view tmpl, const TFieldValues& values) {
  bool any = false;
  for (size_t k = 0; k < values.size(); ++k) {
    const char placeholder[3] = {'%', static_cast<char>('1' + k), '\0'};
    if (tmpl.find(placeholder) == std::string_view::npos) continue;
    any = true;
    const std::string& value = values[k];
    if (k == 5 && value == "00") continue;
    for (unsigned char c : value)
      if (c > 0x20) return false;
  }
  return any;
}

void FilterIllegalChars(std::string& name) {
  for (char& c : name) {
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\0') || c == 0x7F) {
      c = ' ';
      continue;
    }
    switch (c) {
      case '/':
      case '|':
      case '*':
      case '?':
      case '\\':
      case '\0':
        c = ' ';
        break;
      case '>':
        c = ')';
        break;
      case '<':
        c = '(';
        break;
      case ':':
        c = '-';
        break;
      case '"':
        c = '\'';
        break;
      default:
        break;
    }
  }
}

std::string ExtractFileExt(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
  return std::string(path.substr(dot));
}

std::string ExtractFilePath(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string ExtractFileName(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace tunaro::engine
