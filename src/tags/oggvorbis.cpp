#include "tags/oggvorbis.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

const std::array<const char*, 3> kOggChannelModes = {"Unknown", "Mono", "Stereo"};

namespace {

// The comment keys read, in the order of THeaderInfo::Entries after the vendor text.
constexpr std::array<const char*, 7> kCommentKeys = {"TITLE", "ARTIST", "ALBUM",  "TRACKNUMBER",
                                                     "DATE",  "GENRE",  "COMMENT"};
enum : size_t { kVendor, kTitle, kArtist, kAlbum, kTrack, kDate, kGenre, kComment };

// The first packet starts at 28 when the first page has a 27-byte header and one segment.
constexpr int64_t kIdentificationOffset = 28;
constexpr size_t kIdentificationSize = 30;
constexpr size_t kBlockSize = 250;
constexpr uint8_t kIdentificationMagic[7] = {0x01, 'v', 'o', 'r', 'b', 'i', 's'};
constexpr uint8_t kCommentMagic[7] = {0x03, 'v', 'o', 'r', 'b', 'i', 's'};

struct THeaderInfo {
  uint8_t Identification[kIdentificationSize] = {};
  int64_t FileSize = 0;
  std::array<std::string, 1 + kCommentKeys.size()> Entries;
};

void TakeEntry(const std::string& entry, THeaderInfo& info) {
  const size_t eq = entry.find('=');
  if (eq == std::string::npos) {
    if (info.Entries[kVendor].empty()) info.Entries[kVendor] = entry;
    return;
  }
  std::string key = entry.substr(0, eq);
  for (char& c : key)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (size_t i = 0; i < kCommentKeys.size(); ++i)
    if (key == kCommentKeys[i]) info.Entries[1 + i] = entry.substr(eq + 1);
}

// Reads a file front to back through a 64 KB window, so that a walk over many tiny entries
// (a zero-filled tail reads as endless empty ones) costs memory copies, not system calls.
class TSequentialReader {
 public:
  TSequentialReader(TReadOnlyFile& file, int64_t position) : File_(file), Position_(position) {}

  int64_t Position() const { return Position_; }
  int64_t Remaining() const { return File_.Size() - Position_; }
  void Skip(int64_t count) { Position_ += count; }
  // Exactly `count` bytes (at most the window's size), or false.
  bool Read(void* out, size_t count) {
    if (Position_ < Start_ || Position_ + static_cast<int64_t>(count) > Start_ + Filled_) {
      const int64_t n = File_.ReadAt(Position_, Window_, sizeof Window_);
      if (n < 0) return false;
      Start_ = Position_;
      Filled_ = n;
      if (static_cast<int64_t>(count) > Filled_) return false;
    }
    std::memcpy(out, Window_ + (Position_ - Start_), count);
    Position_ += static_cast<int64_t>(count);
    return true;
  }

 private:
  TReadOnlyFile& File_;
  int64_t Position_;
  int64_t Start_ = 0;
  int64_t Filled_ = 0;
  uint8_t Window_[64 * 1024];
};

// Reads the vendor string and the entries from right after the first comment-header marker
// in the first 250 bytes. The file is read straight on from there, without regard to pages:
// a comment header that spans pages has the next page header read as entry data. Only the
// first 250 bytes of a longer entry are kept; the next length follows the entry's last byte.
void ReadComments(const std::string& fileName, THeaderInfo& info) {
  TReadOnlyFile file;
  uint8_t block[kBlockSize];
  if (!file.Open(fileName) || !file.ReadExactAt(0, block, sizeof block)) return;
  const uint8_t* end = block + sizeof block;
  const uint8_t* marker =
      std::search(static_cast<const uint8_t*>(block), end, kCommentMagic, kCommentMagic + 7);
  if (marker == end) return;  // no comment header where it belongs: no entries

  auto reader = std::make_unique<TSequentialReader>(file, marker - block + 7);
  char text[kBlockSize];
  int64_t count = 0;
  for (int64_t read = 0; read <= count;) {
    uint8_t number[4];
    if (!reader->Read(number, sizeof number)) return;
    const uint32_t length = LoadU32LE(number);
    if (length > reader->Remaining()) return;  // the entry runs past the end of the file
    const size_t kept = length < kBlockSize ? length : kBlockSize;
    if (!reader->Read(text, kept)) return;
    reader->Skip(length - kept);
    TakeEntry(std::string(text, kept), info);
    ++read;
    if (read == 1) {
      if (!reader->Read(number, sizeof number)) return;
      count = static_cast<int32_t>(LoadU32LE(number));
    }
  }
}

// The low half of the granule position of the first page start found, scanning the last
// 12,010 bytes of the file in 50 overlapping windows from the end backwards.
int32_t FindSampleCount(const std::string& fileName) {
  TReadOnlyFile file;
  if (!file.Open(fileName)) return 0;
  uint8_t window[kBlockSize];
  for (int64_t i = 1; i <= 50; ++i) {
    const int64_t start = file.Size() - 240 * i - 10;
    if (start < 0 || !file.ReadExactAt(start, window, sizeof window)) return 0;
    for (size_t at = 0; at <= 240; ++at)
      if (std::memcmp(window + at, "OggS", 4) == 0)
        return static_cast<int32_t>(LoadU32LE(window + at + 6));  // at + 9 < 250
  }
  return 0;
}

}  // namespace

void TOggVorbis::Clear() {
  Found = false;
  FileSize = 0;
  ChannelMode = 0;
  SampleRate = 0;
  BitRate = 0;
  SampleCount = 0;
  Title.clear();
  Artist.clear();
  Album.clear();
  Track = 0;
  Year.clear();
  Genre.clear();
  Comment.clear();
  Vendor.clear();
}

bool TOggVorbis::Load(const std::string& fileName) {
  Clear();
  THeaderInfo info;
  {
    TReadOnlyFile file;
    if (!file.Open(fileName)) return false;
    if (file.ReadAt(kIdentificationOffset, info.Identification, kIdentificationSize) !=
        static_cast<int64_t>(kIdentificationSize))
      return false;
    info.FileSize = file.Size();
  }
  const uint8_t* id = info.Identification;
  if (std::memcmp(id, kIdentificationMagic, sizeof kIdentificationMagic) != 0) return true;
  Found = true;
  FileSize =
      static_cast<int32_t>(std::min<int64_t>(info.FileSize, std::numeric_limits<int32_t>::max()));
  ChannelMode = id[11] == 1 || id[11] == 2 ? id[11] : 0;
  const uint32_t rate = LoadU32LE(id + 12);
  SampleRate = rate >= 8000 && rate <= 48000 ? static_cast<uint16_t>(rate) : 0;
  const uint32_t kbps = LoadU32LE(id + 20) / 1000;
  BitRate = kbps >= 16 && kbps <= 350 ? static_cast<uint16_t>(kbps) : 0;

  ReadComments(fileName, info);
  Title = info.Entries[kTitle];
  Artist = info.Entries[kArtist];
  Album = info.Entries[kAlbum];
  Year = info.Entries[kDate];
  Genre = info.Entries[kGenre];
  Comment = info.Entries[kComment];
  Vendor = info.Entries[kVendor];
  Track = TrackFromText(info.Entries[kTrack]);
  SampleCount = FindSampleCount(fileName);
  return true;
}

}  // namespace tunaro::tags
