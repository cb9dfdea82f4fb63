#include "tags/windowsmedia.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string_view>
#include <utility>

#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

namespace {

// Only the first two bytes of the header object's identifier are compared.
constexpr uint8_t kHeaderStart[2] = {0x30, 0x26};
// The content description object: 75B22633-668E-11CF-A6D9-00AA0062CE6C in file order.
constexpr uint8_t kContentDescription[16] = {0x33, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                             0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
// The objects that hold further values, and their place: the extended content description
// among the header's objects, the metadata and metadata library objects within the header
// extension.
constexpr uint8_t kExtendedContent[16] = {0x40, 0xA4, 0xD0, 0xD2, 0x07, 0xE3, 0xD2, 0x11,
                                          0x97, 0xF0, 0x00, 0xA0, 0xC9, 0x5E, 0xA8, 0x50};
constexpr uint8_t kHeaderExtension[16] = {0xB5, 0x03, 0xBF, 0x5F, 0x2E, 0xA9, 0xCF, 0x11,
                                          0x8E, 0xE3, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr uint8_t kMetadata[16] = {0xEA, 0xCB, 0xF8, 0xC5, 0xAF, 0x5B, 0x77, 0x48,
                                   0x84, 0x67, 0xAA, 0x8C, 0x44, 0xFA, 0x4C, 0xCA};
constexpr uint8_t kMetadataLibrary[16] = {0x94, 0x1C, 0x23, 0x44, 0x98, 0x94, 0xD1, 0x49,
                                          0xA1, 0x41, 0x1D, 0x13, 0x4E, 0x45, 0x70, 0x54};
constexpr int64_t kWindowOffset = 20;
constexpr size_t kLengthsOffset = 24;
constexpr size_t kTextsOffset = 34;
// The header object's own fields end 30 bytes into the file; its objects follow.
constexpr size_t kFirstObject = 30 - kWindowOffset;
constexpr size_t kObjectHeader = 24;     // identifier and 64-bit size
constexpr size_t kExtensionHeader = 46;  // the same, a reserved identifier and word, a size
constexpr uint16_t kUnicodeValue = 0;    // the attribute value type of a text

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

bool Is(const uint8_t* id, const uint8_t (&guid)[16]) {
  return std::equal(guid, guid + 16, id);
}

// Calls `take(body, bodySize)` for each object in [at, end) of the window, in order; stops at
// an object whose size does not fit.
template <class TTake>
void ForEachObject(const uint8_t* window, size_t at, size_t end, TTake take) {
  while (end - at >= kObjectHeader) {
    const uint8_t* object = window + at;
    const uint32_t low = LoadU32LE(object + 16);
    const uint32_t high = LoadU32LE(object + 20);
    if (high != 0 || low < kObjectHeader || low > end - at) return;
    take(object, static_cast<size_t>(low));
    at += low;
  }
}

}  // namespace

void TWindowsMedia::Clear() {
  Found = false;
  Title.clear();
  Author.clear();
  Copyright.clear();
  Description.clear();
  Rating.clear();
  AlbumArtist.clear();
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
      AppendValue(*text, TextAt(begin, windowSize, textStart, length));
      // The next text begins at an even distance, whatever an odd length says.
      textStart += length & ~size_t{1};
    }
  }
  ReadAttributes(begin, windowSize);
  Found = true;
  return true;
}

// The attributes of the extended content description (name, type, value) and of the
// metadata and metadata library objects within the header extension (numbers, then name,
// type and value), read in that order whatever the order of the objects, as several values
// of a name are spread over them first to last. The album artist is read from all three. The
// five texts of the content description take further values only from the metadata library,
// where the content description cannot hold them: the extended content description may
// repeat them (ffmpeg does) or hold others, which the five texts have never been read from.
void TWindowsMedia::ReadAttributes(const uint8_t* window, size_t windowSize) {
  const std::pair<std::string_view, std::string*> names[] = {{"WM/AlbumArtist", &AlbumArtist},
                                                             {"Title", &Title},
                                                             {"Author", &Author},
                                                             {"Copyright", &Copyright},
                                                             {"Description", &Description},
                                                             {"Rating", &Rating}};
  enum TKind { kExtended, kMeta, kLibrary };
  const auto take = [&](TKind kind, const uint8_t* name, size_t nameBytes, uint16_t type,
                        const uint8_t* value, size_t valueBytes) {
    if (type != kUnicodeValue) return;
    const std::string key = Utf16ToUtf8(name, nameBytes, false);
    for (size_t i = 0; i < std::size(names); ++i)
      if (key == names[i].first && (i == 0 || kind == kLibrary) &&
          names[i].second->size() < kMaxTextBytes)
        AppendValue(*names[i].second, Utf16ToUtf8(value, valueBytes, false));
  };
  // Takes `n` bytes out of `in`: where they stand, or nullptr when fewer remain.
  const auto bytes = [](TByteReader& in, size_t n) {
    const uint8_t* p = in.Peek(n);
    return p != nullptr && in.Skip(n) ? p : nullptr;
  };

  // The first object of each kind: its body, after the identifier and size.
  std::pair<const uint8_t*, size_t> bodies[3] = {};
  const auto keep = [&](TKind kind, const uint8_t* object, size_t size) {
    if (bodies[kind].first == nullptr)
      bodies[kind] = {object + kObjectHeader, size - kObjectHeader};
  };
  // The header object's size, less the 20 bytes the window starts after; the window takes
  // in 20 bytes past it.
  const size_t end = windowSize >= 20 ? windowSize - 20 : 0;
  if (end < kFirstObject) return;
  ForEachObject(window, kFirstObject, end, [&](const uint8_t* object, size_t size) {
    if (Is(object, kExtendedContent)) keep(kExtended, object, size);
    if (!Is(object, kHeaderExtension) || size < kExtensionHeader) return;
    const size_t at = static_cast<size_t>(object - window);
    ForEachObject(window, at + kExtensionHeader, at + size, [&](const uint8_t* inner, size_t n) {
      if (Is(inner, kMetadata)) keep(kMeta, inner, n);
      if (Is(inner, kMetadataLibrary)) keep(kLibrary, inner, n);
    });
  });

  for (const TKind kind : {kExtended, kMeta, kLibrary}) {
    TByteReader in(bodies[kind].first, bodies[kind].second);
    uint16_t count = 0, language = 0, stream = 0, nameBytes = 0, type = 0, shortBytes = 0;
    uint32_t valueBytes = 0;
    const uint8_t* name = nullptr;
    const uint8_t* value = nullptr;
    if (bodies[kind].first == nullptr || !in.U16LE(count)) continue;
    for (uint16_t i = 0; i < count; ++i) {
      if (kind == kExtended) {
        if (!in.U16LE(nameBytes) || (name = bytes(in, nameBytes)) == nullptr || !in.U16LE(type) ||
            !in.U16LE(shortBytes))
          break;
        valueBytes = shortBytes;
      } else if (!in.U16LE(language) || !in.U16LE(stream) || !in.U16LE(nameBytes) ||
                 !in.U16LE(type) || !in.U32LE(valueBytes) ||
                 (name = bytes(in, nameBytes)) == nullptr) {
        break;
      }
      if ((value = bytes(in, valueBytes)) == nullptr) break;
      take(kind, name, nameBytes, type, value, valueBytes);
    }
  }
}

}  // namespace tunaro::tags
