#include "tags/id3v2.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

namespace {

constexpr size_t kHeaderSize = 10;
// The footer repeats the header but for its first three bytes, "3DI" in place of "ID3".
constexpr size_t kFooterSize = 10;
// A frame yields at most this many bytes: far beyond any title, and never an allocation
// sized by the file.
constexpr size_t kMaxFrameData = 4096;

// Header flags.
constexpr uint8_t kTagUnsync = 0x80;
constexpr uint8_t kTagExtended = 0x40;  // in version 2.2: the tag is compressed
constexpr uint8_t kTagFooter = 0x10;    // version 2.4
// Frame format flags, version 2.3.
constexpr uint8_t kV3Compressed = 0x80;
constexpr uint8_t kV3Encrypted = 0x40;
constexpr uint8_t kV3Grouped = 0x20;
// Frame format flags, version 2.4.
constexpr uint8_t kV4Grouped = 0x40;
constexpr uint8_t kV4Compressed = 0x08;
constexpr uint8_t kV4Encrypted = 0x04;
constexpr uint8_t kV4Unsync = 0x02;
constexpr uint8_t kV4DataLength = 0x01;

// kDate is the year frame of the other generation (TDRC in 2.3, TYER in 2.4): used when the
// tag has no frame of its own version's kind.
enum TField : size_t {
  kTitle,
  kArtist,
  kAlbum,
  kTrack,
  kYear,
  kGenre,
  kComment,
  kDate,
  kAlbumArtist,
  kFields
};

struct TFrameName {
  const char* Id;
  TField Field;
};
constexpr TFrameName kNames22[] = {{"TT2", kTitle},   {"TP1", kArtist},     {"TAL", kAlbum},
                                   {"TRK", kTrack},   {"TYE", kYear},       {"TCO", kGenre},
                                   {"COM", kComment}, {"TP2", kAlbumArtist}};
constexpr TFrameName kNames23[] = {{"TIT2", kTitle},   {"TPE1", kArtist}, {"TALB", kAlbum},
                                   {"TRCK", kTrack},   {"TYER", kYear},   {"TCON", kGenre},
                                   {"COMM", kComment}, {"TDRC", kDate},   {"TPE2", kAlbumArtist}};
constexpr TFrameName kNames24[] = {{"TIT2", kTitle},   {"TPE1", kArtist}, {"TALB", kAlbum},
                                   {"TRCK", kTrack},   {"TDRC", kYear},   {"TCON", kGenre},
                                   {"COMM", kComment}, {"TYER", kDate},   {"TPE2", kAlbumArtist}};

int FieldOf(const uint8_t* id, uint8_t version) {
  auto find = [&](const auto& names, size_t length) {
    for (const TFrameName& name : names)
      if (std::memcmp(id, name.Id, length) == 0) return static_cast<int>(name.Field);
    return -1;
  };
  if (version == 2) return find(kNames22, 3);
  return version == 3 ? find(kNames23, 4) : find(kNames24, 4);
}

bool IsFrameId(const uint8_t* id, size_t length) {
  return std::all_of(id, id + length,
                     [](uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
}

uint32_t SyncSafe(const uint8_t* p) {
  return uint32_t{p[0]} << 21 | uint32_t{p[1]} << 14 | uint32_t{p[2]} << 7 | uint32_t{p[3]};
}
bool IsSyncSafe(const uint8_t* p) {
  return ((p[0] | p[1] | p[2] | p[3]) & 0x80) == 0;
}

// Undoes unsynchronisation in place (0xFF 0x00 -> 0xFF); returns the new length.
size_t Resync(uint8_t* p, size_t n) {
  size_t out = 0;
  for (size_t i = 0; i < n; ++i) {
    p[out++] = p[i];
    if (p[i] == 0xFF && i + 1 < n && p[i + 1] == 0) ++i;
  }
  return out;
}

// The bytes of the tag after its header, up to the tag's end, resynchronised on the fly when
// the whole tag was unsynchronised (versions 2.2 and 2.3). Every read is bounded by the end.
class TTagStream {
 public:
  TTagStream(TReadOnlyFile& file, int64_t end, bool unsync)
      : File_(file), End_(end), Unsync_(unsync) {}

  bool More() const { return RawPos_ < RawLength_ || File_.Position() < End_; }

  bool Read(uint8_t* out, size_t count) {
    if (!Unsync_) {
      if (File_.Position() + static_cast<int64_t>(count) > End_) return false;
      return File_.ReadExact(out, count);
    }
    for (size_t i = 0; i < count; ++i)
      if (!Next(out[i])) return false;
    return true;
  }

  bool Skip(uint64_t count) {
    if (!Unsync_) {
      if (count > static_cast<uint64_t>(End_ - File_.Position())) return false;
      return File_.Seek(File_.Position() + static_cast<int64_t>(count));
    }
    uint8_t byte;
    for (uint64_t i = 0; i < count; ++i)
      if (!Next(byte)) return false;
    return true;
  }

 private:
  bool Next(uint8_t& byte) {
    for (;;) {
      if (RawPos_ == RawLength_) {
        const int64_t left = End_ - File_.Position();
        if (left <= 0) return false;
        const int64_t n = File_.Read(Raw_.data(), std::min<int64_t>(left, Raw_.size()));
        if (n <= 0) return false;
        RawLength_ = static_cast<size_t>(n);
        RawPos_ = 0;
      }
      byte = Raw_[RawPos_++];
      const bool dropped = AfterFF_ && byte == 0;
      AfterFF_ = byte == 0xFF;
      if (!dropped) return true;
    }
  }

  TReadOnlyFile& File_;
  int64_t End_;
  bool Unsync_;
  std::array<uint8_t, 1024> Raw_;
  size_t RawPos_ = 0;
  size_t RawLength_ = 0;
  bool AfterFF_ = false;
};

// The length of a text up to and including its terminator (all of it when there is none).
size_t TerminatedLength(uint8_t encoding, const uint8_t* p, size_t n) {
  if (encoding == TID3v2::kUtf16 || encoding == TID3v2::kUtf16BE) {
    for (size_t i = 0; i + 1 < n; i += 2)
      if (p[i] == 0 && p[i + 1] == 0) return i + 2;
    return n;
  }
  const void* zero = std::memchr(p, 0, n);
  return zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - p) + 1 : n;
}

// The first text of `n` bytes in the given encoding: legacy bytes as they stand, the rest as
// UTF-8. What follows the terminator is not part of it.
std::string DecodeText(uint8_t encoding, const uint8_t* p, size_t n) {
  switch (encoding) {
    case TID3v2::kUtf16:
      return Utf16BomToUtf8(p, n);
    case TID3v2::kUtf16BE:
      return Utf16ToUtf8(p, n, true);
    default: {
      // One zero byte ends a legacy or UTF-8 text.
      const size_t length = static_cast<size_t>(std::find(p, p + n, 0) - p);
      const std::string_view text(reinterpret_cast<const char*>(p), length);
      return encoding == TID3v2::kUtf8 ? SanitizeUtf8(text) : std::string(text);
    }
  }
}

// Every text of a text frame: several values, separated by terminators (version 2.4, and
// taggers that write 2.3 the same way), are joined by "/", as 2.3 joins several artists.
std::string DecodeValues(uint8_t encoding, const uint8_t* p, size_t n) {
  std::string joined;
  while (n > 0) {
    const size_t length = TerminatedLength(encoding, p, n);
    AppendValue(joined, DecodeText(encoding, p, length));
    p += length;
    n -= length;
  }
  return joined;
}

struct TText {
  std::string Text;
  uint8_t Encoding = TID3v2::kLegacy;
  bool Set = false;
};

struct TTexts {
  std::array<TText, kFields> Fields;
  TText FirstComment;  // the first COMM
  TText PlainComment;  // the first COMM without a description

  // Takes the data of a frame (encoding byte first). Of several text frames of a kind the last
  // one with a text wins; of several comments the first (one without a description first).
  void Take(TField field, const uint8_t* data, size_t n) {
    if (n == 0) return;
    // An encoding byte the tag versions do not define: its bytes are kept as they stand.
    const uint8_t encoding = data[0] <= TID3v2::kUtf8 ? data[0] : uint8_t{TID3v2::kLegacy};
    ++data;
    --n;
    if (field != kComment) {
      std::string text = DecodeValues(encoding, data, n);
      if (!text.empty()) Fields[field] = {std::move(text), encoding, true};
      return;
    }
    // Three bytes of language, then a description, then the text.
    if (n < 3) return;
    data += 3;
    n -= 3;
    const size_t described = TerminatedLength(encoding, data, n);
    const bool plain = DecodeText(encoding, data, described).empty();
    std::string text = Trim(DecodeText(encoding, data + described, n - described));
    if (plain) Put(PlainComment, encoding, text);
    Put(FirstComment, encoding, std::move(text));
  }

  static void Put(TText& slot, uint8_t encoding, std::string text) {
    if (slot.Set || text.empty()) return;
    slot = {std::move(text), encoding, true};
  }
};

// True when a frame that ends at `position` is followed by what may follow a frame: the end
// of the tag, padding, or another frame's ID. Leaves the file position as it was.
bool LooksLikeFrameEnd(TReadOnlyFile& file, int64_t position, int64_t end) {
  if (position == end) return true;
  if (position > end) return false;
  const int64_t back = file.Position();
  uint8_t id[4] = {};
  const size_t n = static_cast<size_t>(std::min<int64_t>(4, end - position));
  const bool read = file.Seek(position) && file.ReadExact(id, n);
  file.Seek(back);
  return read && (id[0] == 0 || (n == 4 && IsFrameId(id, 4)));
}

// The size of a version 2.4 frame whose data starts at the file position. Sizes are
// sync-safe; some writers put plain 32-bit sizes instead, seen when the sync-safe reading
// leads nowhere and the plain one to the next frame.
uint32_t FrameSize24(TReadOnlyFile& file, const uint8_t* sizeBytes, int64_t end) {
  const uint32_t plain = LoadU32BE(sizeBytes);
  if (!IsSyncSafe(sizeBytes)) return plain;
  const uint32_t syncSafe = SyncSafe(sizeBytes);
  if (syncSafe == plain) return plain;
  const int64_t start = file.Position();
  if (!LooksLikeFrameEnd(file, start + syncSafe, end) &&
      LooksLikeFrameEnd(file, start + plain, end))
    return plain;
  return syncSafe;
}

// Walks the frames from after the header at `start` up to `end`. The walk ends quietly at the
// first thing that is not a frame (padding) and at any frame that runs past the tag.
void ReadFrames(TReadOnlyFile& file, const uint8_t* header, int64_t start, int64_t end,
                TTexts& texts) {
  const uint8_t version = header[3];
  const uint8_t flags = header[5];
  // A compressed 2.2 tag has no defined compression: nothing in it can be read.
  if (version == 2 && (flags & kTagExtended)) return;
  // In 2.4 the frame headers stay readable; each frame's data is resynchronised by itself.
  const bool tagUnsync = (flags & kTagUnsync) != 0;
  TTagStream in(file, end, tagUnsync && version < 4);
  if (!file.Seek(start + static_cast<int64_t>(kHeaderSize))) return;

  if (flags & kTagExtended) {
    uint8_t size[4];
    if (!in.Read(size, sizeof size)) return;
    if (version == 3) {
      if (!in.Skip(LoadU32BE(size))) return;  // the size leaves itself out
    } else {
      const uint32_t n = SyncSafe(size);  // the size counts itself
      if (!IsSyncSafe(size) || n < 6 || !in.Skip(n - 4)) return;
    }
  }

  const size_t idLength = version == 2 ? 3 : 4;
  const size_t frameHeaderSize = version == 2 ? 6 : 10;
  std::array<uint8_t, kMaxFrameData> data;
  while (in.More()) {
    uint8_t frame[10];
    if (!in.Read(frame, frameHeaderSize) || !IsFrameId(frame, idLength)) return;
    uint32_t size;
    if (version == 2)
      size = uint32_t{frame[3]} << 16 | uint32_t{frame[4]} << 8 | frame[5];
    else if (version == 3)
      size = LoadU32BE(frame + 4);
    else
      size = FrameSize24(file, frame + 4, end);
    const int field = FieldOf(frame, version);
    if (field < 0) {
      if (!in.Skip(size)) return;
      continue;
    }
    size_t n = std::min<size_t>(size, data.size());
    if (!in.Read(data.data(), n) || !in.Skip(size - n)) return;

    const uint8_t format = version == 2 ? 0 : frame[9];
    size_t skip = 0;  // bytes between the frame header and the text
    if (version == 3) {
      if (format & (kV3Compressed | kV3Encrypted)) continue;
      if (format & kV3Grouped) skip = 1;
    } else if (version == 4) {
      if (format & (kV4Compressed | kV4Encrypted)) continue;
      if (tagUnsync || (format & kV4Unsync)) n = Resync(data.data(), n);
      if (format & kV4Grouped) skip += 1;
      if (format & kV4DataLength) skip += 4;
    }
    if (n < skip) continue;
    texts.Take(static_cast<TField>(field), data.data() + skip, n - skip);
  }
}

}  // namespace

void TID3v2::Clear() {
  Found = false;
  MajorVersion = 0;
  TagOffset = 0;
  TagSize = 0;
  Title.clear();
  Artist.clear();
  Album.clear();
  Track = 0;
  Year.clear();
  Genre.clear();
  Comment.clear();
  AlbumArtist.clear();
  TitleEncoding = ArtistEncoding = AlbumEncoding = YearEncoding = GenreEncoding = CommentEncoding =
      AlbumArtistEncoding = kLegacy;
}

bool TID3v2::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  if (!file.Open(fileName)) return false;
  return Load(file);
}

bool TID3v2::Load(TReadOnlyFile& file) {
  return Load(file, 0, file.Size());
}

bool TID3v2::Load(TReadOnlyFile& file, int64_t offset, int64_t limit) {
  Clear();
  if (offset < 0 || offset > file.Size()) return false;
  limit = std::min(limit, file.Size() - offset);
  uint8_t header[kHeaderSize];
  // Read through the read-ahead window: the frames that follow usually come with it.
  if (limit < static_cast<int64_t>(kHeaderSize) || !file.Seek(offset) ||
      file.Read(header, kHeaderSize) != static_cast<int64_t>(kHeaderSize))
    return false;
  if (std::memcmp(header, "ID3", 3) != 0) return true;
  Found = true;
  TagOffset = offset;
  MajorVersion = header[3];
  // The size bytes are added whole, top bits included (so they overlap rather than being
  // rejected); the largest result, about 536 MB, still fits 32 bits.
  const int64_t total = int64_t{header[6]} * (1 << 21) + int64_t{header[7]} * (1 << 14) +
                        int64_t{header[8]} * (1 << 7) + int64_t{header[9]};
  const int64_t size = total + static_cast<int64_t>(kHeaderSize);
  TagSize = size > limit ? 0 : static_cast<int32_t>(size);
  if (MajorVersion < 2 || MajorVersion > 4 || TagSize == 0) return true;

  TTexts texts;
  ReadFrames(file, header, offset, offset + TagSize, texts);
  auto take = [](const TText& from, std::string& text, uint8_t& encoding) {
    text = from.Text;
    encoding = from.Encoding;
  };
  take(texts.Fields[kTitle], Title, TitleEncoding);
  take(texts.Fields[kArtist], Artist, ArtistEncoding);
  take(texts.Fields[kAlbum], Album, AlbumEncoding);
  take(texts.Fields[kAlbumArtist], AlbumArtist, AlbumArtistEncoding);
  take(texts.Fields[kYear].Set ? texts.Fields[kYear] : texts.Fields[kDate], Year, YearEncoding);
  // A 2.4 timestamp is a year where a year is asked for.
  CutToYear(Year);
  Track = TrackFromText(texts.Fields[kTrack].Text);
  // "(17)Rock" names the genre twice; keep what follows the last numeric reference.
  take(texts.Fields[kGenre], Genre, GenreEncoding);
  const size_t paren = Genre.rfind(')');
  if (paren != std::string::npos) Genre.erase(0, paren + 1);
  if (Genre.empty()) GenreEncoding = kLegacy;
  take(texts.PlainComment.Set ? texts.PlainComment : texts.FirstComment, Comment, CommentEncoding);
  return true;
}

bool TID3v2::LoadAppended(TReadOnlyFile& file, int64_t end) {
  Clear();
  uint8_t footer[kFooterSize];
  if (end < static_cast<int64_t>(kHeaderSize + kFooterSize) || end > file.Size() ||
      !file.ReadExactAt(end - static_cast<int64_t>(kFooterSize), footer, sizeof footer) ||
      std::memcmp(footer, "3DI", 3) != 0 || footer[3] != 4 || (footer[5] & kTagFooter) == 0 ||
      !IsSyncSafe(footer + 6))
    return false;
  // The size leaves out the header and the footer.
  const int64_t frames = SyncSafe(footer + 6);
  const int64_t offset =
      end - static_cast<int64_t>(kFooterSize) - frames - static_cast<int64_t>(kHeaderSize);
  if (offset < 0) return false;
  // The header must say what the footer says: anything else is not the tag the footer closes.
  Load(file, offset, frames + static_cast<int64_t>(kHeaderSize));
  if (Found && MajorVersion == 4 && TagSize == frames + static_cast<int64_t>(kHeaderSize))
    return true;
  Clear();
  return false;
}

}  // namespace tunaro::tags
