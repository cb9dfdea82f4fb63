#include "tags/chunks.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

bool TChunkWalk::Next() {
  if (Count_ > 0) {
    if (Size > static_cast<uint64_t>(File_.Size() - DataAt)) return false;
    Next_ = DataAt + static_cast<int64_t>(Size + (Size & 1));
  }
  uint8_t header[8];
  // A header that the file cannot hold is not asked for: no read at the end.
  if (Count_ >= kMaxChunks || Next_ > File_.Size() - 8 || !File_.Seek(Next_) ||
      !File_.ReadExact(header, sizeof header))
    return false;
  ++Count_;
  std::memcpy(Id, header, 4);
  Size = BigEndian_ ? LoadU32BE(header + 4) : LoadU32LE(header + 4);
  DataAt = Next_ + 8;
  return true;
}

bool TChunkWalk::Is(const char* id) const {
  return std::memcmp(Id, id, 4) == 0;
}

int64_t TChunkWalk::Available() const {
  return static_cast<int64_t>(std::min<uint64_t>(Size, File_.Size() - DataAt));
}

std::string ChunkText(TReadOnlyFile& file, const TChunkWalk& chunk, size_t limit) {
  std::string text(std::min<size_t>(limit, chunk.Available()), '\0');
  if (!file.Seek(chunk.DataAt) || !file.ReadExact(text.data(), text.size())) return {};
  text.resize(std::strlen(text.c_str()));
  return Trim(text);
}

}  // namespace tunaro::tags
