#include "tags/realmedia.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "tags/file_reader.h"

namespace tunaro::tags {

namespace {

// The chunk chain is addressed with a signed 32-bit position.
constexpr int64_t kMaxPosition = std::numeric_limits<int32_t>::max();
// Only the two length-prefixed texts at the front of the content read are used: two 16-bit
// lengths and at most 65535 bytes each. Reading more would only cost memory.
constexpr uint32_t kMaxUsefulRead = 2 * (2 + 0xFFFF);

}  // namespace

void TRealMedia::Clear() {
  Found = false;
  Title.clear();
  Artist.clear();
}

bool TRealMedia::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TRealMedia::Load(TReadOnlyFile& file) {
  Clear();
  Found = ReadContent(file);
  if (!Found) Clear();
  return Found;
}

bool TRealMedia::ReadContent(TReadOnlyFile& file) {
  if (!file.IsOpen()) return false;
  const int64_t fileSize = file.Size();

  // Whatever stands at offset 0 is taken as the first chunk, so a RAM playlist is walked the
  // same way and simply finds no content chunk. A size that does not carry the position
  // forward (0, or one that would wrap the 32-bit position) ends the walk, as does the end of
  // the file; the position only grows, so the walk always ends.
  int64_t p = 0;
  uint32_t size = 0;
  for (;;) {
    if (p >= fileSize) return false;
    uint8_t header[8];
    if (!file.ReadExactAt(p, header, sizeof header)) return false;
    size = LoadU32BE(header + 4);
    if (std::memcmp(header, "CONT", 4) == 0) break;
    if (size == 0 || p + size > kMaxPosition) return false;
    p += size;
  }

  // The content read takes S bytes from 10 bytes into the chunk, the full size rather than the
  // size less its header, so it runs 10 bytes past the chunk: the file must hold all of them.
  const int64_t start = p + 10;
  if (static_cast<int64_t>(size) > fileSize - start) return false;
  std::vector<uint8_t> buffer(std::min(size, kMaxUsefulRead));
  if (!file.ReadExactAt(start, buffer.data(), buffer.size())) return false;

  // Lengths that reach past the bytes read are cut at their end.
  TByteReader r(buffer.data(), buffer.size());
  uint16_t length = 0;
  if (r.U16BE(length)) r.BytesUpTo(length, Title);
  if (r.U16BE(length)) r.BytesUpTo(length, Artist);
  return true;
}

}  // namespace tunaro::tags
