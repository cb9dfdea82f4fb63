// WavPack: the "wvpk" header of the first block at the start; texts from the APE and ID3v1
// tags at the end.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tags/apev2.h"
#include "tags/id3v1.h"

namespace tunaro::tags {

class TWavPack {
 public:
  TWavPack();

  void Clear();
  // False only when the file cannot be opened or holds fewer than 32 bytes.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  bool Found;  // a block header of a stream version that WavPack decoders take
  uint16_t Version;
  uint32_t SampleRate;  // 0 for a rate the header does not list
  uint8_t BitsPerSample;
  bool Mono;
  std::unique_ptr<TID3v1> ID3v1;
  std::unique_ptr<TAPEv2> APEv2;
};

}  // namespace tunaro::tags
