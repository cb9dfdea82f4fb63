#include "tags/windowsmedia.h"

#include <algorithm>
#include <memory>
#include <new>

#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

namespace {

// Only the first two bytes of the header object's identifier are compared.
constexpr uint8_t kHeaderStart[2] = {0x30, 0x26};
// The content description object: 75B22633-668E-11CF-A6D9-00AA0062CE6C in file order.
constexpr uint8_t kContentDescription[16] = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr int64_t kWindowOffset = 20;
constexpr size_t kLengthsOffset = 24;
constexpr size_t kTextsOffset = 34;

// One UTF-16LE text of `length` bytes at `start`, cut at the window's end and at its first
// null character.
std::string TextAt(const uint8_t* window, size_t windowSize, size_t start, size_t length) {
  if (start >= windowSize) return {};
  const size_t units = std::min(length, windowSize - start) / 2;
  const uint8_t* p = window + start;
  size_t n = 0;
  while (n < units && (p[2 * n] != 0 || p[2 * n + 1] != 0)) ++n;
  return Utf16ToUtf8(p, 2 * n, false);
}

}  // namespace

void TWindowsMedia::Clear() {
  Found = false;
  Title.clear();
  Author.clear();
  Copyright.clear();
  Description.clear();
  Rating.clear();
}

bool TWindowsMedia::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TWindowsMedia::Load(TReadOnlyFile& file) {
  Clear();
  uint8_t start[2];
  uint8_t sizeLow[4];
  if (!file.IsOpen() || !file.ReadExactAt(0, start, sizeof start) ||
      !std::equal(start, start + 2, kHeaderStart) || !file.ReadExactAt(16, sizeLow, 4))
    return false;
  // The low half of the header size is the window's length. It starts right after that
  // field, so it ends 20 bytes past the header object and takes in what follows it.
  const uint32_t windowSize = LoadU32LE(sizeLow);
  if (windowSize > file.Size() - kWindowOffset) return false;
  std::unique_ptr<uint8_t[]> window(new (std::nothrow) uint8_t[windowSize ? windowSize : 1]);
  if (!window || !file.ReadExactAt(kWindowOffset, window.get(), windowSize)) return false;

  const uint8_t* begin = window.get();
  const uint8_t* end = begin + windowSize;
  const uint8_t* found = std::search(begin, end, kContentDescription, kContentDescription + 16);
  if (found != end) {
    const size_t at = static_cast<size_t>(found - begin);
    std::string* texts[5] = {&Title, &Author, &Copyright, &Description, &Rating};
    TByteReader lengths(begin, windowSize);
    size_t textStart = at + kTextsOffset;
    if (!lengths.Seek(at + kLengthsOffset)) lengths.Seek(windowSize);
    for (std::string* text : texts) {
      uint16_t length = 0;  // a length cut off by the window's end counts as 0
      lengths.U16LE(length);
      *text = TextAt(begin, windowSize, textStart, length);
      // The next text begins at an even distance, whatever an odd length says.
      textStart += length & ~size_t{1};
    }
  }
  Found = true;
  return true;
}

}  // namespace tunaro::tags
