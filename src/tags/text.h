// Small text rules shared by the readers. Texts are byte strings.
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

// The standard integer conversion: optional sign, then decimal digits, or hexadecimal digits
// after "$" or "0x". Anything else, an empty text or a value beyond 32 bits fails.
std::optional<int32_t> StrToInt(std::string_view s);

// A track number text such as " 07 " or "5/12": trimmed, cut at the first "/", converted,
// and kept as its low 8 bits; 0 when the conversion fails.
uint8_t TrackFromText(std::string_view s);

}  // namespace tunaro::tags
