#include "engine/name_builder.h"

#include "platform/codec.h"

#include <utility>

namespace tunaro::engine {

std::string TrackText(uint8_t track) {
  // Two digits, the last two of a longer number: 7 -> "07", 123 -> "23".
  const unsigned n = track % 100u;
  return {static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10)};
}

namespace {

// Replaces every occurrence, resuming after each inserted value: always ends.
std::string ReplaceAfterEach(std::string text, const std::string& placeholder,
                             const std::string& value, size_t maxSize) {
  size_t from = 0;
  for (size_t at; (at = text.find(placeholder, from)) != std::string::npos;) {
    text.replace(at, placeholder.size(), value);
    if (text.size() > maxSize) break;
    from = at + value.size();
  }
  if (text.size() > maxSize) text.resize(maxSize);
  return text;
}

// Replaces every occurrence with the search restarted at the beginning after each hit, so
// that a "%" joined to an inserted value's leading digit is found again. Restarting one byte
// before the last hit gives the same result, since nothing before it changed and no
// occurrence lay there. Values that regrow the placeholder without end are inserted once per
// occurrence instead.
std::string ReplaceFromStart(std::string text, const std::string& placeholder,
                             const std::string& value, size_t maxSize) {
  if (!ExpansionEnds(text, placeholder, value))
    return ReplaceAfterEach(std::move(text), placeholder, value, maxSize);
  size_t from = 0;
  for (size_t at; (at = text.find(placeholder, from)) != std::string::npos;) {
    text.replace(at, placeholder.size(), value);
    if (text.size() > maxSize) break;
    from = at > 0 ? at - 1 : 0;
  }
  if (text.size() > maxSize) text.resize(maxSize);
  return text;
}

}  // namespace

// With a = '%' and b the digit: a replacement makes a new "ab" only where the value meets
// its neighbours, an "a" before a value that starts with b, or a value that ends with a
// before a "b". A value holding "ab" keeps one in the text forever. Otherwise, unless the
// value both starts with b and ends with a, every "ab" replaced uses an a (or a b) of the
// text as it was, so the steps are at most that many. A value b^p u a^q (u neither starts
// with b nor ends with a) turns a run a^m b^n into a^(m-1) b^p u a^q b^(n-1), two runs that
// go on alone: with p, q >= 2 the run a^q b^(p-1) comes back after two steps for ever, and it
// is reached from any a^m b^n with m >= 2 or n >= 2; with p or q equal to 1, or m = n = 1, it
// ends. u empty behaves the same (checked by brute force in the tests).
bool ExpansionEnds(std::string_view text, std::string_view placeholder, std::string_view value) {
  if (value.find(placeholder) != std::string_view::npos)
    return text.find(placeholder) == std::string_view::npos;
  const char a = placeholder[0], b = placeholder[1];
  size_t p = 0, q = 0;
  while (p < value.size() && value[p] == b) ++p;
  while (q < value.size() && value[value.size() - 1 - q] == a) ++q;
  if (p < 2 || q < 2) return true;
  // Look for a run a^m b^n with m >= 2 or n >= 2, also one that forms once a lone "ab" has
  // become ... a^q and joins the a's of the next "a^k b".
  for (size_t at = text.find(placeholder); at != std::string_view::npos;
       at = text.find(placeholder, at + 2)) {
    if (at > 0 && text[at - 1] == a) return false;
    size_t next = at + 2;
    if (next < text.size() && text[next] == b) return false;
    while (next < text.size() && text[next] == a) ++next;
    if (next > at + 2 && next < text.size() && text[next] == b) return false;
  }
  return true;
}

std::string ExpandTemplate(std::string_view tmpl, const TFieldValues& values, size_t maxSize) {
  std::string text(tmpl.substr(0, maxSize));
  for (size_t k = 0; k < values.size(); ++k) {
    std::string placeholder(1, '%');
    placeholder += std::to_string(k + 1);
    text = ReplaceFromStart(std::move(text), placeholder, values[k], maxSize);
  }
  return text;
}

unsigned PlaceholdersIn(std::string_view tmpl) {
  unsigned used = 0;
  for (size_t at = tmpl.find('%'); at != std::string_view::npos; at = tmpl.find('%', at + 1))
    if (at + 1 < tmpl.size() && tmpl[at + 1] >= '1' && tmpl[at + 1] <= '6')
      used |= 1u << (tmpl[at + 1] - '1');
  return used;
}

bool EveryPlaceholderEmpty(unsigned placeholders, const TFieldValues& values) {
  if (placeholders == 0) return false;
  for (size_t k = 0; k < values.size(); ++k) {
    if (!(placeholders & (1u << k))) continue;
    const std::string& value = values[k];
    if (k == 5 && value == "00") continue;
    for (unsigned char c : value)
      if (c > 0x20) return false;
  }
  return true;
}

bool PlaceholderUndecodable(unsigned placeholders, const TFieldValues& values) {
  for (size_t k = 0; k < values.size(); ++k)
    if ((placeholders & (1u << k)) && values[k].find(platform::kUndecodable) != std::string::npos)
      return true;
  return false;
}

namespace {

// The length of the bidirectional control that starts at `at` in UTF-8, or 0: U+061C,
// U+200E, U+200F, U+202A..U+202E and U+2066..U+2069. They change the order in which a name
// is shown: "\u202E3pm.exe" shows as "exe.mp3".
size_t BidiControlLength(std::string_view s, size_t at) {
  const auto byte = [&](size_t k) -> uint8_t {
    return at + k < s.size() ? static_cast<uint8_t>(s[at + k]) : 0;
  };
  if (byte(0) == 0xD8 && byte(1) == 0x9C) return 2;
  if (byte(0) != 0xE2) return 0;
  const uint8_t b1 = byte(1), b2 = byte(2);
  if (b1 == 0x80 && (b2 == 0x8E || b2 == 0x8F || (b2 >= 0xAA && b2 <= 0xAE))) return 3;
  if (b1 == 0x81 && b2 >= 0xA6 && b2 <= 0xA9) return 3;
  return 0;
}

}  // namespace

void FilterIllegalChars(std::string& name) {
  // Each bidirectional control becomes one blank, like a control character.
  if (name.find_first_of("\xD8\xE2") != std::string::npos) {
    size_t out = 0;
    for (size_t at = 0; at < name.size();) {
      const size_t length = BidiControlLength(name, at);
      name[out++] = length ? ' ' : name[at];
      at += length ? length : 1;
    }
    name.resize(out);
  }
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
