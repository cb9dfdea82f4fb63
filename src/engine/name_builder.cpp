#include "engine/name_builder.h"

namespace tunaro::engine {

std::string TrackText(uint8_t track) {
  const std::string s = "0" + std::to_string(track);
  return s.substr(s.size() - 2);
}

std::string ExpandTemplate(std::string_view tmpl, const TFieldValues& values) {
  std::string text(tmpl);
  for (int k = 0; k < 6; ++k) {
    const std::string placeholder = "%" + std::to_string(k + 1);
    const std::string& value = values[static_cast<size_t>(k)];
    // A search restarted at the beginning finds nothing before the last hit, except a "%"
    // just before it joined to a value that begins with the digit: resume there, which gives
    // the same result. A value holding the placeholder itself would be found again forever:
    // then resume after the inserted value.
    const bool selfContaining = value.find(placeholder) != std::string::npos;
    size_t from = 0;
    for (;;) {
      const size_t at = text.find(placeholder, from);
      if (at == std::string::npos) break;
      text.replace(at, placeholder.size(), value);
      from = selfContaining ? at + value.size() : (at > 0 ? at - 1 : 0);
    }
  }
  return text;
}

void FilterIllegalChars(std::string& name) {
  for (char& c : name) {
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
