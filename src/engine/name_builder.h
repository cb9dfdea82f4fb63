// How a new file name is made: the track text, the template expansion, the illegal-character
// filter, and the path parts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tunaro::engine {

using TFieldValues = std::array<std::string, 6>;  // %1 .. %6

// "0" and the number, of which the last two characters remain: 7 -> "07", 123 -> "23".
std::string TrackText(uint8_t track);

// Replaces %1 by the first value, then %2 by the second, ... %6, each over the result of the
// previous step; after each replacement the search for the same placeholder starts again at
// the beginning. Where that never ends (a value that regrows its placeholder for ever, see
// ExpansionEnds) the value is inserted once per occurrence instead. An ending expansion can
// still grow exponentially ("111%" under "%%%%%%%%%%1" gives 3^10 digits), and no file name
// is longer than a few hundred bytes: each placeholder's expansion stops as soon as the text
// passes maxSize bytes, and the text is cut to maxSize.
inline constexpr size_t kMaxExpandedSize = 4096;
std::string ExpandTemplate(std::string_view tmpl, const TFieldValues& values,
                           size_t maxSize = kMaxExpandedSize);

// Whether replacing the placeholder ("%" and a digit) by the value, searching again from the
// beginning after each replacement, ends on this text.
bool ExpansionEnds(std::string_view text, std::string_view placeholder, std::string_view value);

// Which of %1..%6 the template holds: bit k for %(k+1). A run asks it once, not per file.
unsigned PlaceholdersIn(std::string_view tmpl);

// Whether the template holds a placeholder and every one it holds has an empty value (blanks
// only). Track text "00" counts as empty: it stands for a missing track number.
bool EveryPlaceholderEmpty(unsigned placeholders, const TFieldValues& values);
inline bool EveryPlaceholderEmpty(std::string_view tmpl, const TFieldValues& values) {
  return EveryPlaceholderEmpty(PlaceholdersIn(tmpl), values);
}

// Whether a placeholder of the template has a value holding U+FFFD: a text its code page
// could not decode, which would put garbage into the name.
bool PlaceholderUndecodable(unsigned placeholders, const TFieldValues& values);
inline bool PlaceholderUndecodable(std::string_view tmpl, const TFieldValues& values) {
  return PlaceholderUndecodable(PlaceholdersIn(tmpl), values);
}

// The nine single-byte replacements in their order: / > < | : * ? \ " become
// blank ) ( blank - blank blank blank '. Control characters (0x00 to 0x1F and 0x7F) become
// blanks too: a zero byte would cut the name at the system call, and a line break in a name
// would split its line in the run log and the undo file. So does each bidirectional control
// character (U+061C, U+200E, U+200F, U+202A..U+202E, U+2066..U+2069), which would make a
// name show other than it is.
void FilterIllegalChars(std::string& name);

// From the last dot of the file-name part to the end, dot included; empty when none.
std::string ExtractFileExt(std::string_view path);
// Everything up to and including the last "/".
std::string ExtractFilePath(std::string_view path);
// Everything after the last "/".
std::string ExtractFileName(std::string_view path);

}  // namespace tunaro::engine
