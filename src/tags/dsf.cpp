#include "tags/dsf.h"

#include <cstring>

#include "tags/file_reader.h"

namespace tunaro::tags {

namespace {

constexpr size_t kDsdChunkBytes = 28;
constexpr size_t kFmtChunkBytes = 52;

uint64_t LoadU64LE(const uint8_t* p) {
  return uint64_t{LoadU32LE(p + 4)} << 32 | LoadU32LE(p);
}

}  // namespace

TDsf::TDsf() : ID3v2(std::make_unique<TID3v2>()) {
  Clear();
}

void TDsf::Clear() {
  Found = false;
  MetadataOffset = 0;
  Channels = SampleRate = BitsPerSample = 0;
  SampleCount = 0;
  ID3v2->Clear();
}

bool TDsf::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TDsf::Load(TReadOnlyFile& file) {
  Clear();
  uint8_t b[kDsdChunkBytes + kFmtChunkBytes];
  // Through the read-ahead window, which brings the "fmt " chunk along.
  if (!file.Seek(0) || !file.ReadExact(b, kDsdChunkBytes)) return false;
  if (std::memcmp(b, "DSD ", 4) != 0 || LoadU64LE(b + 4) != kDsdChunkBytes) return true;
  Found = true;
  MetadataOffset = LoadU64LE(b + 20);
  uint8_t* fmt = b + kDsdChunkBytes;
  if (file.ReadExact(fmt, kFmtChunkBytes) && std::memcmp(fmt, "fmt ", 4) == 0) {
    Channels = LoadU32LE(fmt + 24);
    SampleRate = LoadU32LE(fmt + 28);
    BitsPerSample = LoadU32LE(fmt + 32);
    SampleCount = LoadU64LE(fmt + 36);
  }
  // An offset beyond the file (or beyond what a file offset can say) holds no tag.
  if (MetadataOffset >= kDsdChunkBytes && MetadataOffset < static_cast<uint64_t>(file.Size()))
    ID3v2->Load(file, static_cast<int64_t>(MetadataOffset), file.Size());
  return true;
}

}  // namespace tunaro::tags
