#include "tags/id3v2.h"

#include <cstring>

#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

namespace {

// The frames read, in the order of TTagInfo::Frames.
constexpr std::array<const char*, 7> kFrameIDs = {"TIT2", "TPE1", "TALB", "TRCK",
                                                  "TYER", "TCON", "COMM"};
enum : size_t { kTitle, kArtist, kAlbum, kTrack, kYear, kGenre, kComment };

constexpr size_t kHeaderSize = 10;
constexpr size_t kFrameDataSize = 250;

struct TTagInfo {
  uint8_t Header[kHeaderSize] = {};
  int64_t FileSize = 0;
  std::array<std::string, kFrameIDs.size()> Frames;
};

// Reads the frames of an ID3v2.3 tag from offset 10 up to `tagSize`. Each frame yields its
// first (size mod 250) data bytes in a zero-filled 250-byte buffer, and the whole buffer is
// the frame text: the trailing zeros are trimmed later with the encoding byte. The walk
// ends quietly at the first thing that is not a frame, or at any short read.
void ReadFrames(TReadOnlyFile& file, int64_t tagSize, TTagInfo& info) {
  if (!file.Seek(kHeaderSize)) return;
  char data[kFrameDataSize];
  while (file.Position() < tagSize && !file.AtEnd()) {
    std::memset(data, 0, sizeof data);
    uint8_t frame[10];
    if (!file.ReadExact(frame, sizeof frame)) return;
    if (frame[0] < 'A' || frame[0] > 'Z') return;  // padding, or not a frame at all
    const int64_t dataStart = file.Position();
    const uint32_t size = LoadU32BE(frame + 4);
    // A size with the top bit set is negative as a signed count: nothing sane follows it.
    if (size >= 0x80000000u) return;
    if (!file.ReadExact(data, size % kFrameDataSize)) return;
    for (size_t i = 0; i < kFrameIDs.size(); ++i)
      if (std::memcmp(frame, kFrameIDs[i], 4) == 0) info.Frames[i].assign(data, sizeof data);
    if (!file.Seek(dataStart + size)) return;
  }
}

}  // namespace

void TID3v2::Clear() {
  Found = false;
  MajorVersion = 0;
  TagSize = 0;
  Title.clear();
  Artist.clear();
  Album.clear();
  Track = 0;
  Year.clear();
  Genre.clear();
  Comment.clear();
}

bool TID3v2::Load(const std::string& fileName) {
  Clear();
  TTagInfo info;
  // One open serves the header and the frame walk.
  TReadOnlyFile file;
  if (!file.Open(fileName)) return false;
  // Read through the read-ahead window: the frames that follow usually come with it.
  if (file.Read(info.Header, kHeaderSize) != static_cast<int64_t>(kHeaderSize)) return false;
  info.FileSize = file.Size();
  if (std::memcmp(info.Header, "ID3", 3) != 0) return true;
  Found = true;
  MajorVersion = info.Header[3];
  // The size bytes are added whole, top bits included (so they overlap rather than being
  // rejected); the largest result, about 536 MB, still fits 32 bits.
  const int64_t total = int64_t{info.Header[6]} * (1 << 21) + int64_t{info.Header[7]} * (1 << 14) +
                        int64_t{info.Header[8]} * (1 << 7) + int64_t{info.Header[9]};
  const int64_t size = total + static_cast<int64_t>(kHeaderSize);
  TagSize = size > info.FileSize ? 0 : static_cast<int32_t>(size);
  if (MajorVersion != 3 || TagSize == 0) return true;

  ReadFrames(file, TagSize, info);
  file.Close();
  Title = Trim(info.Frames[kTitle]);
  Artist = Trim(info.Frames[kArtist]);
  Album = Trim(info.Frames[kAlbum]);
  Year = Trim(info.Frames[kYear]);
  Track = TrackFromText(info.Frames[kTrack]);
  // "(17)Rock" names the genre twice; keep what follows the last numeric reference.
  Genre = Trim(info.Frames[kGenre]);
  const size_t paren = Genre.rfind(')');
  if (paren != std::string::npos) Genre.erase(0, paren + 1);
  // Past the encoding byte and the language; a non-empty description stays in front.
  const std::string& comm = info.Frames[kComment];
  Comment = comm.size() > 4 ? Trim(std::string_view(comm).substr(4)) : std::string();
  return true;
}

}  // namespace tunaro::tags
