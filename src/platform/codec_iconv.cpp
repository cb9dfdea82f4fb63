#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <memory>

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
      iconv(Cd_, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
  }

 private:
  iconv_t Cd_;
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

size_t Utf8SequenceLength(std::string_view s) {
  const auto lead = static_cast<unsigned char>(s[0]);
  size_t n = 1;
  if (lead >= 0xF0 && lead <= 0xF4)
    n = 4;
  else if (lead >= 0xE0)
    n = 3;
  else if (lead >= 0xC2 && lead < 0xE0)
    n = 2;
  if (n > s.size()) return 1;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 1;
  return n;
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

}  // namespace

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

std::string Utf8ToGbkOrRaw(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  if (!IsValidUtf8(bytes)) return std::string(bytes);
  std::string gbk = Utf8ToGbk(bytes);
  // A character GBK lacks would become "?", and the path would name no file: an undo line
  // could never find it again. Such a path is written as it stands.
  if (GbkToUtf8(gbk) != bytes) return std::string(bytes);
  return gbk;
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

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t n;
    uint32_t cp;
    if (c >= 0xC2 && c <= 0xDF)
      n = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF)
      n = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4)
      n = 4, cp = c & 0x07;
    else
      return false;
    if (i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      const auto t = static_cast<unsigned char>(s[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (t & 0x3F);
    }
    if ((n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
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
