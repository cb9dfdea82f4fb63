#include "tags/flac.h"

#include <cstring>

#include "tags/file_reader.h"

namespace tunaro::tags {

namespace {

constexpr size_t kID3v2HeaderSize = 10;
// Taggers that put an ID3v2 tag in front of the marker put one; a few more are passed too.
constexpr int kMaxID3v2Tags = 4;
// A file of more blocks than this is no FLAC a tagger wrote.
constexpr int kMaxBlocks = 1024;

// Where the stream starts: after the ID3v2 tags at `position`, each passed by the size its
// header gives (plus its footer, where the flags announce one).
int64_t SkipID3v2Tags(TReadOnlyFile& file, int64_t position) {
  for (int k = 0; k < kMaxID3v2Tags; ++k) {
    uint8_t h[kID3v2HeaderSize];
    if (!file.Seek(position) || !file.ReadExact(h, sizeof h) || std::memcmp(h, "ID3", 3) != 0)
      break;
    if (((h[6] | h[7] | h[8] | h[9]) & 0x80) != 0) break;  // not a size: no tag
    const int64_t size = int64_t{h[6]} << 21 | int64_t{h[7]} << 14 | int64_t{h[8]} << 7 | h[9];
    position += static_cast<int64_t>(kID3v2HeaderSize) + size + ((h[5] & 0x10) != 0 ? 10 : 0);
  }
  return position;
}

}  // namespace

void TFlacStreamInfo::Parse(const uint8_t* b) {
  SampleRate = static_cast<uint32_t>(b[10]) << 12 | static_cast<uint32_t>(b[11]) << 4 | b[12] >> 4;
  Channels = static_cast<uint8_t>((b[12] >> 1 & 7) + 1);
  BitsPerSample = static_cast<uint8_t>(((b[12] & 1) << 4 | b[13] >> 4) + 1);
  SampleCount = static_cast<uint64_t>(b[13] & 0x0F) << 32 | LoadU32BE(b + 14);
}

TFlacBlockHeader::TFlacBlockHeader(const uint8_t* h)
    : Type(h[0] & 0x7F),
      Last((h[0] & 0x80) != 0),
      Length(static_cast<uint32_t>(h[1]) << 16 | static_cast<uint32_t>(h[2]) << 8 | h[3]) {}

void TFlac::Clear() {
  Found = false;
  FileSize = 0;
  StreamStart = 0;
  Info = {};
  HasComments = false;
  Comments = {};
}

bool TFlac::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TFlac::Load(TReadOnlyFile& file) {
  Clear();
  if (!file.IsOpen()) return false;
  const int64_t start = SkipID3v2Tags(file, 0);
  uint8_t marker[4];
  if (!file.Seek(start) || !file.ReadExact(marker, sizeof marker) ||
      std::memcmp(marker, "fLaC", 4) != 0)
    return true;
  Found = true;
  FileSize = ClampedFileSize(file.Size());
  StreamStart = start;
  // The block headers and the blocks before the comments come through the file's window: a
  // file whose comments follow STREAMINFO costs one read.
  int64_t at = start + 4;
  for (int k = 0; k < kMaxBlocks && !HasComments; ++k) {
    uint8_t h[TFlacBlockHeader::kSize];
    if (!file.Seek(at) || !file.ReadExact(h, sizeof h)) break;
    const TFlacBlockHeader block(h);
    const int64_t data = at + static_cast<int64_t>(sizeof h);
    if (block.Type == TFlacBlockHeader::kStreamInfo && block.Length >= TFlacStreamInfo::kSize) {
      uint8_t info[TFlacStreamInfo::kSize];
      if (file.ReadExact(info, sizeof info)) Info.Parse(info);
    } else if (block.Type == TFlacBlockHeader::kVorbisComment) {
      TFileRunSource source(file, data, data + block.Length);
      ReadVorbisComments(source, kCommentTextBytes, Comments);
      HasComments = true;
    }
    at = data + block.Length;
    if (block.Last || at >= file.Size()) break;
  }
  return true;
}

}  // namespace tunaro::tags
