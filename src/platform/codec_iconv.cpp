#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <iterator>

#include <memory>

#include "platform/ascii.h"
#include "platform/codec.h"

namespace tunaro::platform {

namespace {

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// One iconv converter per direction and thread, opened on first use: converting sits on the
// path of every file, and opening a converter costs far more than a conversion.
class TConverter {
 public:
  TConverter(const char* to, const char* from) : Cd_(iconv_open(to, from)) {}
  ~TConverter() {
    if (Cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(Cd_);
  }
  TConverter(const TConverter&) = delete;
  TConverter& operator=(const TConverter&) = delete;

  // Converts the input; a unit that cannot be converted is replaced by `replacement` after
  // skipping `skip` input bytes. Returns false only if the converter is unavailable.
  template <typename SkipFn>
  bool Convert(std::string_view in, std::string& out, std::string_view replacement, SkipFn skip) {
    if (Cd_ == reinterpret_cast<iconv_t>(-1)) return false;
    iconv(Cd_, nullptr, nullptr, nullptr, nullptr);
    out.clear();
    Replaced_ = 0;
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char chunk[1024];
    while (srcLeft > 0) {
      char* dst = chunk;
      size_t dstLeft = sizeof chunk;
      const size_t r = iconv(Cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(chunk, sizeof chunk - dstLeft);
      if (r != static_cast<size_t>(-1) || errno == E2BIG) continue;
      // EILSEQ or EINVAL (a cut sequence at the end): put the replacement, skip the bad unit.
      const size_t n = std::min(srcLeft, skip(std::string_view(src, srcLeft)));
      src += n;
      srcLeft -= n;
      out.append(replacement);
      ++Replaced_;
      iconv(Cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
  }

  // How many units the last conversion replaced.
  size_t Replaced() const { return Replaced_; }

 private:
  iconv_t Cd_;
  size_t Replaced_ = 0;
};

// GBK units: a lead byte 0x81..0xFE with a trail byte 0x40..0xFE (not 0x7F) is two bytes;
// anything else that fails is skipped as one byte.
size_t SkipGbk(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  if (lead >= 0x81 && lead <= 0xFE && s.size() >= 2) {
    const auto trail = static_cast<unsigned char>(s[1]);
    if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) return 2;
  }
  return 1;
}

// A UTF-8 unit to skip: a whole well-formed sequence, else one byte.
size_t Utf8SequenceLength(std::string_view s) {
  return std::max<size_t>(1, WellFormedUtf8Length(s, 0));
}

size_t SkipUtf16(std::string_view s) {
  if (s.size() < 2) return s.size();
  const auto hi = static_cast<unsigned char>(s[1]);
  // A valid surrogate pair that GBK lacks is one character: one "?".
  if (hi >= 0xD8 && hi <= 0xDB && s.size() >= 4) {
    const auto hi2 = static_cast<unsigned char>(s[3]);
    if (hi2 >= 0xDC && hi2 <= 0xDF) return 4;
  }
  return 2;
}

TConverter& GbkToUtf8Converter() {
  thread_local TConverter c("UTF-8", "GBK");
  return c;
}
TConverter& Utf8ToGbkConverter() {
  thread_local TConverter c("GBK", "UTF-8");
  return c;
}
TConverter& Utf16ToGbkConverter() {
  thread_local TConverter c("GBK", "UTF-16LE");
  return c;
}

TConverter& LegacyConverter(TCodePage codePage) {
  thread_local TConverter big5("UTF-8", "BIG5");
  thread_local TConverter shiftJis("UTF-8", "CP932");
  thread_local TConverter cp1252("UTF-8", "CP1252");
  thread_local TConverter cp949("UTF-8", "CP949");
  thread_local TConverter cp1251("UTF-8", "CP1251");
  thread_local TConverter cp1250("UTF-8", "CP1250");
  thread_local TConverter utf8("UTF-8", "UTF-8");
  switch (codePage) {
    case TCodePage::Big5:
      return big5;
    case TCodePage::ShiftJis:
      return shiftJis;
    case TCodePage::Cp1252:
      return cp1252;
    case TCodePage::Cp949:
      return cp949;
    case TCodePage::Cp1251:
      return cp1251;
    case TCodePage::Cp1250:
      return cp1250;
    case TCodePage::Utf8:
      return utf8;
    default:
      return GbkToUtf8Converter();
  }
}

bool IsSingleByte(TCodePage codePage) {
  return codePage == TCodePage::Cp1252 || codePage == TCodePage::Cp1251 ||
         codePage == TCodePage::Cp1250;
}

// Big5, Shift_JIS and CP949 pair a lead byte with any trail byte above 0x3F (CP949's lowest
// is 0x41); the CP125x pages are one byte each.
size_t SkipDoubleByte(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  return lead >= 0x81 && s.size() >= 2 && static_cast<unsigned char>(s[1]) >= 0x40 ? 2 : 1;
}
size_t SkipOne(std::string_view) {
  return 1;
}

// Decodes valid UTF-8 into code points; the caller has checked validity.
template <typename Fn>
void ForEachCodePoint(std::string_view s, Fn fn) {
  for (size_t i = 0; i < s.size();) {
    const size_t at = i;
    const int32_t cp = DecodeUtf8(s, i);
    if (cp < 0) return;
    fn(static_cast<uint32_t>(cp), at, i - at);
  }
}

bool IsAsciiLetterOrDigit(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The two-byte code points that real UTF-8 tags hold: Latin-1's accented letters, the rest
// of Latin-1 and Latin Extended-A/B, Greek, Cyrillic, Hebrew and Arabic. The rest of the
// range (C1 controls, IPA, combining marks, Armenian, Syriac...) is where GBK's accidental
// UTF-8 lands far more often than real text.
bool IsLatin1Letter(uint32_t cp) {
  return cp >= 0xC0 && cp <= 0xFF && cp != 0xD7 && cp != 0xF7;
}
bool IsOtherLatin(uint32_t cp) {
  return cp >= 0xA0 && cp <= 0x24F;
}
bool IsOtherAlphabet(uint32_t cp) {
  return (cp >= 0x386 && cp <= 0x3CE) || (cp >= 0x400 && cp <= 0x4FF) ||
         (cp >= 0x5D0 && cp <= 0x5EA) || (cp >= 0x621 && cp <= 0x64A);
}
// Private use, noncharacters and specials are no text a tagger writes.
bool IsImplausibleWide(uint32_t cp) {
  return (cp >= 0xE000 && cp <= 0xF8FF) || (cp >= 0xFDD0 && cp <= 0xFDEF) ||
         (cp >= 0xFFF0 && cp <= 0xFFFF && cp != 0xFFFD) || cp >= 0xF0000 || (cp & 0xFFFE) == 0xFFFE;
}

// Whether the bytes read as GBK hold a character outside GB2312 (lead 0xA1..0xF7 with a
// trail 0xA1..0xFE). Chinese tags written in GBK almost only use GB2312's characters, while
// the two-byte UTF-8 of other alphabets mostly has trail bytes below 0xA1.
bool HasGbkBeyondGb2312(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead < 0x80) {
      ++i;
      continue;
    }
    if (i + 1 >= s.size()) return true;
    const auto trail = static_cast<unsigned char>(s[i + 1]);
    if (lead < 0xA1 || lead > 0xF7 || trail < 0xA1 || trail == 0xFF) return true;
    i += 2;
  }
  return false;
}

// Latin-1 text that happens to be valid GBK: each byte above 0x7F is an accented letter
// inside a word (Sigur R\xF3s, M\xF6tley Cr\xFCe) or at its start (\xC9dith Piaf), before
// an ASCII letter, so that GBK pairs it with that letter into a rare character of GBK's
// extension. Chinese text hardly ever consists of such characters alone.
bool IsLatin1PassingForGbk(std::string_view s) {
  auto letter = [](unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  bool any = false;
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) continue;
    // Latin-1's accented letters are 0xC0 to 0xFF, but for the signs of multiplication and
    // division. One that starts a word needs two letters after it: a lone GBK character
    // with a letter for its trail byte stays GBK.
    if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
    const auto at = [&](size_t k) -> unsigned char {
      return k < s.size() ? static_cast<unsigned char>(s[k]) : 0;
    };
    if (!letter(at(i + 1)) || ((i == 0 || !letter(at(i - 1))) && !letter(at(i + 2)))) return false;
    any = true;
    ++i;  // the letter that GBK takes as the trail byte
  }
  return any;
}

}  // namespace

bool CodePageByName(std::string_view name, TCodePage& codePage) {
  for (size_t i = 0; i < std::size(kCodePageNames); ++i)
    if (EqualIgnoringAsciiCase(name, kCodePageNames[i])) {
      codePage = static_cast<TCodePage>(i);
      return true;
    }
  return false;
}

bool AutoTakesAsUtf8(std::string_view s) {
  if (IsAscii(s) || !IsValidUtf8(s)) return false;
  bool wide = false;          // a three- or four-byte sequence
  bool implausible = false;   // a code point no tag text holds
  bool accentInWord = false;  // a Latin-1 letter touching an ASCII letter or digit
  bool otherTwoByte = false;  // any other Latin, Greek, Cyrillic, Hebrew or Arabic
  ForEachCodePoint(s, [&](uint32_t cp, size_t at, size_t n) {
    if (n == 1) return;
    if (n >= 3) {
      wide = true;
      implausible = implausible || IsImplausibleWide(cp);
    } else if (IsLatin1Letter(cp) &&
               ((at > 0 && IsAsciiLetterOrDigit(static_cast<unsigned char>(s[at - 1]))) ||
                (at + n < s.size() &&
                 IsAsciiLetterOrDigit(static_cast<unsigned char>(s[at + n]))))) {
      accentInWord = true;
    } else if (IsOtherLatin(cp) || IsOtherAlphabet(cp)) {
      otherTwoByte = true;
    } else {
      implausible = true;
    }
  });
  if (implausible) return false;
  if (wide) return true;
  // Only two-byte sequences: the range where GBK text passes for UTF-8 by accident. An
  // accented letter inside a Latin word is UTF-8; anything else only when the GBK reading
  // would need characters beyond GB2312, which real Chinese tags hardly ever hold.
  if (otherTwoByte) return HasGbkBeyondGb2312(s);
  return accentInWord;
}

std::string LegacyToUtf8(std::string_view bytes, TCodePage codePage, bool fullField) {
  if (IsAscii(bytes)) return std::string(bytes);
  if (codePage == TCodePage::Auto && AutoTakesAsUtf8(bytes)) return std::string(bytes);
  // Auto reads GBK, but not Latin-1 that merely passes for it: such text is undecodable.
  if (codePage == TCodePage::Auto && IsLatin1PassingForGbk(bytes)) return std::string(kUndecodable);
  TConverter& converter = LegacyConverter(codePage);
  const auto skip = IsSingleByte(codePage)                                      ? SkipOne
                    : codePage == TCodePage::Utf8                               ? Utf8SequenceLength
                    : codePage == TCodePage::Gbk || codePage == TCodePage::Auto ? SkipGbk
                                                                                : SkipDoubleByte;
  std::string out;
  converter.Convert(bytes, out, kUndecodable, skip);
  if (!fullField || converter.Replaced() == 0 || bytes.size() < 2) return out;
  // A tag field cut at its width may end in the first byte of a double-byte character.
  std::string cut;
  converter.Convert(bytes.substr(0, bytes.size() - 1), cut, kUndecodable, skip);
  return converter.Replaced() == 0 ? cut : out;
}

std::string GbkToUtf8(std::string_view gbk) {
  if (IsAscii(gbk)) return std::string(gbk);
  std::string out;
  GbkToUtf8Converter().Convert(gbk, out, "?", SkipGbk);
  return out;
}

std::string Utf8ToGbk(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  std::string out;
  Utf8ToGbkConverter().Convert(utf8, out, "?", Utf8SequenceLength);
  return out;
}

bool Utf8ToGbkExactly(std::string_view utf8, std::string& gbk) {
  if (IsAscii(utf8)) {
    gbk.assign(utf8);
    return true;
  }
  if (!IsValidUtf8(utf8)) return false;
  gbk = Utf8ToGbk(utf8);
  // A character GBK lacks became "?": the text would name another file.
  return GbkToUtf8(gbk) == utf8;
}

std::string Utf8ToGbkOrRaw(std::string_view bytes) {
  std::string gbk;
  return Utf8ToGbkExactly(bytes, gbk) ? gbk : std::string(bytes);
}

std::string Utf16LeToGbk(const uint8_t* data, size_t units) {
  std::string_view in(reinterpret_cast<const char*>(data), units * 2);
  bool ascii = true;
  for (size_t i = 0; i < units && ascii; ++i) ascii = data[2 * i + 1] == 0 && data[2 * i] < 0x80;
  if (ascii) {
    std::string out(units, '\0');
    for (size_t i = 0; i < units; ++i) out[i] = static_cast<char>(data[2 * i]);
    return out;
  }
  std::string out;
  Utf16ToGbkConverter().Convert(in, out, "?", SkipUtf16);
  return out;
}

std::string WideCharToGbk(char16_t ch) {
  if (ch < 0x80) return std::string(1, static_cast<char>(ch));
  const uint8_t units[2] = {static_cast<uint8_t>(ch & 0xFF), static_cast<uint8_t>(ch >> 8)};
  return Utf16LeToGbk(units, 1);
}

size_t WellFormedUtf8Length(std::string_view s, size_t at) {
  const auto c = static_cast<unsigned char>(s[at]);
  if (c < 0x80) return 1;
  size_t n;
  uint32_t cp;
  if (c >= 0xC2 && c <= 0xDF)
    n = 2, cp = c & 0x1F;
  else if (c >= 0xE0 && c <= 0xEF)
    n = 3, cp = c & 0x0F;
  else if (c >= 0xF0 && c <= 0xF4)
    n = 4, cp = c & 0x07;
  else
    return 0;
  if (at + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const auto t = static_cast<unsigned char>(s[at + k]);
    if ((t & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (t & 0x3F);
  }
  // Overlong forms, surrogates and code points beyond U+10FFFF are ill-formed.
  if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
      (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
    return 0;
  return n;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | cp >> 6);
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | cp >> 12);
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | cp >> 18);
    out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

int32_t DecodeUtf8(std::string_view s, size_t& at) {
  const size_t n = WellFormedUtf8Length(s, at);
  if (n == 0) return -1;
  const auto c = static_cast<unsigned char>(s[at]);
  uint32_t cp = n == 1 ? c : n == 2 ? (c & 0x1Fu) : n == 3 ? (c & 0x0Fu) : (c & 0x07u);
  for (size_t k = 1; k < n; ++k) cp = cp << 6 | (static_cast<unsigned char>(s[at + k]) & 0x3Fu);
  at += n;
  return static_cast<int32_t>(cp);
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const size_t n = WellFormedUtf8Length(s, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string LocaleTextToUtf8(std::string_view text) {
  const char* codeset = nl_langinfo(CODESET);
  if (IsAscii(text) || codeset == nullptr || std::string_view(codeset) == "UTF-8") {
    return std::string(text);
  }
  // The locale may change between calls: the converter follows its codeset.
  thread_local std::string openedFor;
  thread_local std::unique_ptr<TConverter> converter;
  if (!converter || openedFor != codeset) {
    converter = std::make_unique<TConverter>("UTF-8", codeset);
    openedFor = codeset;
  }
  std::string out;
  if (!converter->Convert(text, out, "?", [](std::string_view) { return size_t{1}; }))
    return std::string(text);
  return out;
}

}  // namespace tunaro::platform
