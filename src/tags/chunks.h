// The chunk walk that RIFF (WAV) and IFF (AIFF) files share: a four-byte ID, a 32-bit size
// (little-endian in RIFF, big-endian in IFF) and the data, with a pad byte after data of odd
// size.
#pragma once

#include <cstdint>
#include <string>

namespace tunaro::tags {

class TReadOnlyFile;

// Reads one chunk header at a time through the file's read-ahead window, so that the chunks
// near the head come with one read and a chunk's data is never read by the walk: stepping
// over the audio costs nothing. The walk goes to the file's end rather than the size the
// outer chunk states, which writers often leave wrong.
class TChunkWalk {
 public:
  static constexpr int kMaxChunks = 1024;

  TChunkWalk(TReadOnlyFile& file, int64_t first, bool bigEndian)
      : File_(file), Next_(first), BigEndian_(bigEndian) {}

  // Moves to the next chunk; false at the file's end, at a header cut short, after a chunk
  // whose data runs past the end, or after kMaxChunks.
  bool Next();
  bool Is(const char* id) const;
  // Bytes of the data that the file holds: the size, or less where the file ends first.
  int64_t Available() const;

  char Id[4] = {};
  uint64_t Size = 0;  // as the header states it; may be changed before Next (RF64's data chunk)
  int64_t DataAt = 0;

 private:
  TReadOnlyFile& File_;
  int64_t Next_;
  bool BigEndian_;
  int Count_ = 0;
};

// Up to `limit` bytes of a chunk's data as text: cut at the first zero byte (texts are
// zero-terminated and padded) and trimmed. Empty when the data cannot be read.
std::string ChunkText(TReadOnlyFile& file, const TChunkWalk& chunk, size_t limit);

}  // namespace tunaro::tags
