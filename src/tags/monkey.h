// Monkey's Audio (APE): the header at the start, in the 40-byte layout before version 3.98
// and as a descriptor followed by a header from 3.98 on; texts from the APE and ID3v1 tags
// at the end.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tags/apev2.h"
#include "tags/id3v1.h"

namespace tunaro::tags {

extern const std::array<const char*, 5> kMonkeyCompressionLevels;  // "Unknown" .. "Extra High"
extern const std::array<const char*, 3> kMonkeyChannelModes;       // "Unknown", "Mono", "Stereo"

class TMonkey {
 public:
  // The 40 header bytes as the file holds them (little-endian) before 3.98. From 3.98 on the
  // same fields come from the descriptor and the header that follows it: WavHeaderBytes and
  // TerminatingBytes from the descriptor, SeekElements from its seek table size, and no
  // PeakLevel.
  struct THeader {
    char ID[4];
    uint16_t Version;
    uint16_t CompressionLevel;
    uint16_t FormatFlags;
    uint16_t Channels;
    int32_t SampleRate;
    int32_t WavHeaderBytes;
    int32_t TerminatingBytes;
    int32_t TotalFrames;
    int32_t FinalFrameSamples;
    int32_t PeakLevel;
    int32_t SeekElements;
  };

  static_assert(sizeof(THeader) == 40);

  TMonkey();

  void Clear();
  // True when both the ID3v1 read and the header read succeeded, recognised or not. The APE
  // tag is read too, its failure aside.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);
  // Computed from the header each time: "MAC ", sample rate above 0, channels above 0.
  bool Found() const;

  int32_t FileSize;
  THeader Header;
  // From the 3.98 header, or the flags and version of the old one; 0 when not found.
  uint16_t BitsPerSample;
  uint32_t BlocksPerFrame;
  std::unique_ptr<TID3v1> ID3v1;
  std::unique_ptr<TAPEv2> APEv2;

 private:
  bool ReadHeader(TReadOnlyFile& file);
  void ReadDescriptor(TReadOnlyFile& file);
};

}  // namespace tunaro::tags
