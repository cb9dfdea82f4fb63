#include "tags/twinvq.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tags/file_reader.h"

namespace tunaro::tags {

const std::array<const char*, 3> kTwinVQChannelModes = {"Unknown", "Mono", "Stereo"};

namespace {

constexpr size_t kHeaderSize = 40;
constexpr int64_t kFirstChunk = 16;
// Chunk data goes into one buffer of this size; a chunk takes (size mod 250) bytes of it.
constexpr size_t kChunkBufferSize = 250;

// Of each 4-byte big-endian header number only its last two bytes count.
uint16_t HeaderValue(const uint8_t* header, size_t offset) {
  return LoadU16BE(header + offset + 2);
}

uint16_t SampleRateFromCode(uint16_t code) {
  switch (code) {
    case 11:
      return 11025;
    case 22:
      return 22050;
    case 44:
      return 44100;
    default:
      return static_cast<uint16_t>(code * 1000u);
  }
}

}  // namespace

void TTwinVQ::Clear() {
  Found = false;
  ChannelMode = 0;
  BitRate = 0;
  SampleRate = 0;
  FileSize = 0;
  Duration = 0.0;
  Title.clear();
  Comment.clear();
  Author.clear();
  RightsNotice.clear();
  SourceFile.clear();
}

bool TTwinVQ::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TTwinVQ::Load(TReadOnlyFile& file) {
  Clear();
  uint8_t header[kHeaderSize];
  if (file.ReadAt(0, header, sizeof header) != static_cast<int64_t>(sizeof header)) return false;
  if (std::memcmp(header, "TWIN97012000", 12) != 0) return true;

  Found = true;
  const uint16_t channels = HeaderValue(header, 24);
  ChannelMode = channels == 0 ? 1 : channels == 1 ? 2 : 0;
  const uint16_t bitRate = HeaderValue(header, 28);
  BitRate = static_cast<uint8_t>(bitRate);
  SampleRate = SampleRateFromCode(HeaderValue(header, 32));
  FileSize = ClampedFileSize(file.Size());
  // A bit rate of 0 gives no playing time; the texts are still read.
  if (bitRate != 0) {
    const double audioBytes = static_cast<double>(FileSize) - HeaderValue(header, 12) - 20;
    Duration = std::fabs(audioBytes) / 125.0 / bitRate;
  }
  ReadChunks(file);
  return true;
}

// The walk never seeks: after a chunk it stands 8 + (size mod 250) bytes further on, which is
// the next chunk only for chunks under 250 bytes; a longer chunk's data is read as the next
// header. Every pass moves forward by at least the 8 header bytes, so the walk ends.
void TTwinVQ::ReadChunks(TReadOnlyFile& file) {
  static constexpr std::array<const char*, 5> kIDs = {"NAME", "COMT", "AUTH", "(c) ", "FILE"};
  std::array<std::string*, 5> texts = {&Title, &Comment, &Author, &RightsNotice, &SourceFile};
  uint8_t buffer[kChunkBufferSize];
  if (!file.Seek(kFirstChunk)) return;
  for (;;) {
    uint8_t chunk[8];
    if (!file.ReadExact(chunk, sizeof chunk)) return;
    if (chunk[0] < 0x20 || chunk[1] < 0x20 || chunk[2] < 0x20 || chunk[3] < 0x20) return;
    if (std::memcmp(chunk, "DATA", 4) == 0) return;
    const size_t want = LoadU16BE(chunk + 6) % kChunkBufferSize;
    const int64_t got = file.Read(buffer, want);
    if (got < 0) return;
    for (size_t i = 0; i < kIDs.size(); ++i) {
      if (std::memcmp(chunk, kIDs[i], 4) == 0)
        texts[i]->assign(reinterpret_cast<const char*>(buffer), static_cast<size_t>(got));
    }
    if (file.AtEnd()) return;
  }
}

}  // namespace tunaro::tags
