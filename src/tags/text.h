// Small text rules shared by the readers. Texts are byte strings: UTF-8 where the tag stores
// Unicode (decoded here, exactly), the bytes as they stand where it stores legacy code-page
// text (decoded later, with the code page the user chose).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tunaro::tags {

// Removes every byte of value 0x20 or less from the end.
std::string TrimRight(std::string_view s);
// Removes every byte of value 0x20 or less from both ends; bytes inside stay.
std::string Trim(std::string_view s);

// Several values of one field (artists, say) become one text, in their order, joined as
// ID3v2.3 joins several artists: "A/B". Every reader joins them so.
inline constexpr std::string_view kValueSeparator = "/";
// Appends a value trimmed of blanks at both ends; an empty one adds nothing.
void AppendValue(std::string& joined, std::string_view value);

// The standard integer conversion: optional sign, then decimal digits, or hexadecimal digits
// after "$" or "0x". Anything else, an empty text or a value beyond 32 bits fails.
std::optional<int32_t> StrToInt(std::string_view s);

// A track number text such as " 07 " or "5/12": trimmed, cut at the first "/", converted,
// and kept as its low 8 bits; 0 when the conversion fails.
uint8_t TrackFromText(std::string_view s);

// A timestamp ("2003-04-05T10:00", "2003-04") cut to its year where a year is asked for;
// any other text stays as it is.
void CutToYear(std::string& date);

// UTF-16 code units to UTF-8, up to the first zero unit. An unpaired surrogate becomes
// U+FFFD and an odd last byte is dropped, so the result is always valid UTF-8.
std::string Utf16ToUtf8(const uint8_t* data, size_t bytes, bool bigEndian);
// UTF-16 with an optional byte-order mark (little-endian without one).
std::string Utf16BomToUtf8(const uint8_t* data, size_t bytes);
// Valid UTF-8 with every ill-formed sequence replaced by U+FFFD.
std::string SanitizeUtf8(std::string_view s);

}  // namespace tunaro::tags
