#include "tags/apev2.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/ascii.h"
#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

namespace {

constexpr size_t kFooterBytes = 32;
constexpr size_t kID3v1Bytes = 128;
constexpr uint32_t kHasHeader = 1u << 31;
constexpr uint32_t kIsHeader = 1u << 29;
constexpr size_t kMaxKeyBytes = 255;

bool IsFooter(const uint8_t* b) {
  if (std::memcmp(b, "APETAGEX", 8) != 0) return false;
  const uint32_t version = LoadU32LE(b + 8);
  return (version == 1000 || version == 2000) && LoadU32LE(b + 12) >= kFooterBytes;
}

}  // namespace

void TAPEv2::Clear() {
  Found = false;
  Version = 0;
  TagOffset = 0;
  TagSize = 0;
  ItemCount = 0;
  Title.clear();
  Artist.clear();
  Album.clear();
  Year.clear();
  Comment.clear();
  Genre.clear();
  AlbumArtist.clear();
  Composer.clear();
  Track = 0;
}

bool TAPEv2::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  if (!file.Open(fileName)) return false;
  return Load(file);
}

// The footer at the end, before an ID3v1 tag, or before a Lyrics3v2 block and an ID3v1 tag.
// The last 160 bytes hold the first two places, so one read serves most files. False on a
// read error.
bool TAPEv2::FindFooter(TReadOnlyFile& file, int64_t& footerAt, uint8_t* footer) {
  footerAt = -1;
  const int64_t size = file.Size();
  constexpr int64_t kTailBytes = kID3v1Bytes + kFooterBytes;
  uint8_t tail[kTailBytes];
  const int64_t tailBytes = std::min(size, kTailBytes);
  if (tailBytes < static_cast<int64_t>(kFooterBytes)) return true;
  if (!file.ReadExactAt(size - tailBytes, tail, static_cast<size_t>(tailBytes))) return false;
  const auto take = [&](int64_t at, const uint8_t* bytes) {
    if (!IsFooter(bytes)) return false;
    std::memcpy(footer, bytes, kFooterBytes);
    footerAt = at;
    return true;
  };
  const uint8_t* id3v1 = tail + tailBytes - kID3v1Bytes;
  if (tailBytes == kTailBytes && std::memcmp(id3v1, "TAG", 3) == 0) {
    if (take(size - kTailBytes, tail)) return true;
    // A Lyrics3v2 block ends in six digits of its size (from "LYRICSBEGIN" on) and
    // "LYRICS200".
    const uint8_t* digits = id3v1 - 15;
    if (std::memcmp(id3v1 - 9, "LYRICS200", 9) == 0 &&
        std::all_of(digits, digits + 6, [](uint8_t c) { return c >= '0' && c <= '9'; })) {
      int64_t lyrics = 0;
      for (int i = 0; i < 6; ++i) lyrics = lyrics * 10 + (digits[i] - '0');
      const int64_t at = size - static_cast<int64_t>(kID3v1Bytes) - 15 - lyrics -
                         static_cast<int64_t>(kFooterBytes);
      uint8_t bytes[kFooterBytes];
      if (at >= 0) {
        if (!file.ReadExactAt(at, bytes, sizeof bytes)) return false;
        if (take(at, bytes)) return true;
      }
    }
  }
  take(size - static_cast<int64_t>(kFooterBytes), tail + tailBytes - kFooterBytes);
  return true;
}

bool TAPEv2::Load(TReadOnlyFile& file) {
  Clear();
  if (!file.IsOpen()) return false;
  uint8_t footer[kFooterBytes];
  int64_t footerAt = -1;
  if (!FindFooter(file, footerAt, footer)) return false;
  if (footerAt < 0) return true;

  // The size counts the items and the footer, not the header.
  const uint32_t size = LoadU32LE(footer + 12);
  const uint32_t flags = LoadU32LE(footer + 20);
  const int64_t itemsAt = footerAt + static_cast<int64_t>(kFooterBytes) - size;
  if (itemsAt < 0 || (flags & kIsHeader) != 0) return true;  // more tag than file: not a tag
  Found = true;
  Version = static_cast<int32_t>(LoadU32LE(footer + 8));
  TagOffset = itemsAt;
  TagSize = size;
  if (Version >= 2000 && (flags & kHasHeader) != 0 && itemsAt >= 32) {
    uint8_t header[kFooterBytes];
    if (file.ReadExactAt(itemsAt - 32, header, sizeof header) &&
        std::memcmp(header, "APETAGEX", 8) == 0) {
      TagOffset -= 32;
      TagSize += 32;
    }
  }
  ReadItems(file, itemsAt, size - static_cast<uint32_t>(kFooterBytes), LoadU32LE(footer + 16));
  return true;
}

// Walks the items front to back and stops at the first one that does not fit the item area
// or has no proper key: what came before it stands.
void TAPEv2::ReadItems(TReadOnlyFile& file, int64_t itemsAt, uint32_t itemBytes, uint32_t count) {
  struct TField {
    std::string_view Key;
    std::string* Text;
    bool Seen;
  };
  std::string track, date;
  TField fields[] = {{"Title", &Title, false},
                     {"Artist", &Artist, false},
                     {"Album", &Album, false},
                     {"Year", &Year, false},
                     {"Comment", &Comment, false},
                     {"Genre", &Genre, false},
                     {"Album Artist", &AlbumArtist, false},
                     {"Composer", &Composer, false},
                     {"Track", &track, false},
                     {"Date", &date, false}};

  const int64_t end = itemsAt + itemBytes;
  int64_t at = itemsAt;
  if (!file.Seek(at)) return;
  for (uint32_t n = 0; n < count && n < kMaxItems; ++n) {
    // Value size, item flags, then a key of printable ASCII ended by a zero byte.
    uint8_t head[8 + kMaxKeyBytes + 1];
    const int64_t want = std::min<int64_t>(sizeof head, end - at);
    if (want < 8 + 2 || !file.Seek(at)) break;
    const int64_t got = file.Read(head, static_cast<size_t>(want));
    if (got < want) break;
    const uint32_t valueBytes = LoadU32LE(head);
    const uint32_t itemFlags = LoadU32LE(head + 4);
    size_t keyBytes = 0;
    while (8 + keyBytes < static_cast<size_t>(got) && head[8 + keyBytes] >= 0x20 &&
           head[8 + keyBytes] <= 0x7E)
      ++keyBytes;
    if (keyBytes == 0 || 8 + keyBytes >= static_cast<size_t>(got) || head[8 + keyBytes] != 0) break;
    const int64_t valueAt = at + 8 + static_cast<int64_t>(keyBytes) + 1;
    if (valueBytes > end - valueAt) break;
    at = valueAt + valueBytes;
    ItemCount = n + 1;

    // APEv1 has no item types; in APEv2 bits 1-2 mark binary data and external links.
    if (Version >= 2000 && (itemFlags & 6u) != 0) continue;
    const std::string_view key(reinterpret_cast<const char*>(head + 8), keyBytes);
    TField* field = nullptr;
    for (auto& f : fields)
      if (platform::EqualIgnoringAsciiCase(f.Key, key)) field = &f;
    if (field == nullptr || field->Seen || valueBytes > kMaxTextBytes) continue;
    field->Seen = true;
    std::string value(valueBytes, '\0');
    if (!file.Seek(valueAt) || !file.ReadExact(value.data(), valueBytes)) break;
    // Several values are separated by zero bytes: they are joined in their order, as every
    // reader joins several values.
    for (size_t start = 0; start < value.size();) {
      const size_t stop = std::min(value.find('\0', start), value.size());
      const std::string_view one = std::string_view(value).substr(start, stop - start);
      AppendValue(*field->Text, Version >= 2000 ? SanitizeUtf8(one) : std::string(one));
      start = stop + 1;
    }
  }
  if (!fields[3].Seen) Year = date;
  Track = TrackFromText(track);
}

}  // namespace tunaro::tags
