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
// The GBK bytes of a text, when it is valid UTF-8 and GBK holds every character of it, so
// that converting back gives the text unchanged; false (and `gbk` unspecified) otherwise.
bool Utf8ToGbkExactly(std::string_view utf8, std::string& gbk);
// UTF-16 little-endian code units (2 bytes each) to GBK.
std::string Utf16LeToGbk(const uint8_t* data, size_t units);
// One UTF-16 character to GBK: one or two bytes, or "?".
std::string WideCharToGbk(char16_t ch);

bool IsValidUtf8(std::string_view bytes);
// The code point of the well-formed UTF-8 sequence at `at`, which moves past it; -1, with
// `at` where it was, where none starts.
int32_t DecodeUtf8(std::string_view bytes, size_t& at);
// Appends one code point as UTF-8; one beyond U+10FFFF, or a surrogate, becomes U+FFFD.
void AppendUtf8(std::string& out, uint32_t codePoint);
// The length of the well-formed UTF-8 sequence that starts at `at` (1 for ASCII), 0 when
// none does.
size_t WellFormedUtf8Length(std::string_view bytes, size_t at);

// The code page that legacy tag texts are decoded with: ID3v1, ID3v2 text of encoding 0,
// APEv1, RealMedia, TwinVQ and WAV INFO store bytes without saying which code page they are in.
enum class TCodePage { Auto, Gbk, Big5, ShiftJis, Cp1252, Cp949, Cp1251, Cp1250, Utf8 };

// In the order of TCodePage.
inline constexpr const char* kCodePageNames[] = {"auto",  "gbk",    "big5",   "sjis", "cp1252",
                                                 "cp949", "cp1251", "cp1250", "utf8"};
// As people know them, for the window and the messages: "GBK", "Big5", "Shift_JIS", ...
inline constexpr const char* kCodePageTitles[] = {
    "自动", "GBK", "Big5", "Shift_JIS", "CP1252", "CP949", "CP1251", "CP1250", "UTF-8"};
// The code page of a name above (any letter case); false when there is none.
bool CodePageByName(std::string_view name, TCodePage& codePage);

// U+FFFD, what a decoder puts for bytes it cannot decode.
inline constexpr std::string_view kUndecodable = "\xEF\xBF\xBD";

// Legacy bytes to UTF-8. Auto takes the bytes as UTF-8 where AutoTakesAsUtf8 says so and as
// GBK otherwise, except Latin-1 text that merely passes for GBK (accented letters inside
// Latin words), which it takes for undecodable. Bytes the code page cannot decode become U+FFFD, so
// that a text in another code page than the chosen one shows as undecodable rather than as other
// characters. `fullField` says the text filled a fixed-width field (an ID3v1 field): a
// double-byte character that the width cut in half at its end is dropped; anywhere else a
// lone lead byte at the end is undecodable like any other.
std::string LegacyToUtf8(std::string_view bytes, TCodePage codePage, bool fullField = false);

// Whether bytes are UTF-8 rather than GBK: valid UTF-8 holding multi-byte sequences, whose
// UTF-8 reading is a plausible text. Many short GBK texts are valid UTF-8 by accident (the
// GBK bytes of 原 read as U+052D), so the UTF-8 reading is weighed before it is chosen.
bool AutoTakesAsUtf8(std::string_view bytes);

// A text of the C library in the current locale's codeset (LC_CTYPE), such as strftime's, as
// UTF-8, the file system's encoding. A byte the codeset does not hold becomes "?".
std::string LocaleTextToUtf8(std::string_view text);

}  // namespace tunaro::platform
