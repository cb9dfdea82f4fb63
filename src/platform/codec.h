// The GBK (code page 936) text codec. Tag texts and the files the program writes are GBK;
// the file system and the window speak UTF-8. A character GBK lacks becomes "?", the code
// page's default character, and so does a byte that begins no valid character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tunaro::platform {

std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
// For paths written into the log, undo and list files: converted when the bytes are valid
// UTF-8 and GBK holds every character, else written as they stand (a file name must not be
// mangled into one that names no file).
std::string Utf8ToGbkOrRaw(std::string_view bytes);
// UTF-16 little-endian code units (2 bytes each) to GBK.
std::string Utf16LeToGbk(const uint8_t* data, size_t units);
// One UTF-16 character to GBK: one or two bytes, or "?".
std::string WideCharToGbk(char16_t ch);

bool IsValidUtf8(std::string_view bytes);

// A text of the C library in the current locale's codeset (LC_CTYPE), such as strftime's, as
// UTF-8, the file system's encoding. A byte the codeset does not hold becomes "?".
std::string LocaleTextToUtf8(std::string_view text);

}  // namespace tunaro::platform
