#include "tags/oggvorbis.h"

#include <algorithm>
#include <cstring>

#include "tags/file_reader.h"
#include "tags/text.h"
#include "tags/vorbis_comment.h"

namespace tunaro::tags {

const std::array<const char*, 3> kOggChannelModes = {"Unknown", "Mono", "Stereo"};

namespace {

// The first packet starts at 28 when the first page has a 27-byte header and one segment.
constexpr int64_t kIdentificationOffset = 28;
constexpr size_t kIdentificationSize = 30;
constexpr size_t kBlockSize = 250;
constexpr uint8_t kIdentificationMagic[7] = {0x01, 'v', 'o', 'r', 'b', 'i', 's'};
constexpr uint8_t kCommentMagic[7] = {0x03, 'v', 'o', 'r', 'b', 'i', 's'};

// Reads the vendor string and the entries from right after the first comment-header marker
// in the first 250 bytes. The file is read straight on from there, without regard to pages:
// a comment header that spans pages has the next page header read as entry data. Only the
// first 250 bytes of a longer entry are kept; the next length follows the entry's last byte.
void ReadComments(TReadOnlyFile& file, TVorbisFields& fields) {
  uint8_t block[kBlockSize];
  if (!file.ReadExactAt(0, block, sizeof block)) return;
  const uint8_t* end = block + sizeof block;
  const uint8_t* marker =
      std::search(static_cast<const uint8_t*>(block), end, kCommentMagic, kCommentMagic + 7);
  if (marker == end) return;  // no comment header where it belongs: no entries
  TFileRunSource source(file, marker - block + 7, file.Size());
  ReadVorbisComments(source, kBlockSize, fields);
}

// The low half of the granule position of the first page start found, scanning the last
// 12,010 bytes of the file in 50 overlapping windows from the end backwards.
int32_t FindSampleCount(TReadOnlyFile& file) {
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
  AlbumArtist.clear();
}

bool TOggVorbis::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TOggVorbis::Load(TReadOnlyFile& file) {
  Clear();
  uint8_t id[kIdentificationSize];
  if (!file.IsOpen() || file.ReadAt(kIdentificationOffset, id, kIdentificationSize) !=
                            static_cast<int64_t>(kIdentificationSize))
    return false;
  if (std::memcmp(id, kIdentificationMagic, sizeof kIdentificationMagic) != 0) return true;
  Found = true;
  FileSize = ClampedFileSize(file.Size());
  ChannelMode = id[11] == 1 || id[11] == 2 ? id[11] : 0;
  const uint32_t rate = LoadU32LE(id + 12);
  SampleRate = rate >= 8000 && rate <= 48000 ? static_cast<uint16_t>(rate) : 0;
  const uint32_t kbps = LoadU32LE(id + 20) / 1000;
  BitRate = kbps >= 16 && kbps <= 350 ? static_cast<uint16_t>(kbps) : 0;

  TVorbisFields fields;
  ReadComments(file, fields);
  Title = fields.Title;
  Artist = fields.Artist;
  Album = fields.Album;
  Year = fields.Date;
  Genre = fields.Genre;
  Comment = fields.Comment;
  Vendor = fields.Vendor;
  AlbumArtist = fields.AlbumArtist;
  Track = TrackFromText(fields.Track);
  SampleCount = FindSampleCount(file);
  return true;
}

}  // namespace tunaro::tags
