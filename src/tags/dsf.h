// DSF (DSD stream file): the "DSD " chunk at the start gives the offset of the metadata, an
// ID3v2 tag that runs at most to the file's end; the "fmt " chunk after it describes the
// stream. Chunk sizes and offsets are 64-bit little-endian.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tags/id3v2.h"

namespace tunaro::tags {

class TDsf {
 public:
  TDsf();

  void Clear();
  // False only when the file cannot be opened or holds fewer than 28 bytes.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  bool Found;               // a "DSD " chunk of 28 bytes
  uint64_t MetadataOffset;  // 0: no metadata
  // From the "fmt " chunk; 0 without one.
  uint32_t Channels;
  uint32_t SampleRate;
  uint32_t BitsPerSample;
  uint64_t SampleCount;
  // The tag at the metadata offset; not Found without one.
  std::unique_ptr<TID3v2> ID3v2;
};

}  // namespace tunaro::tags
