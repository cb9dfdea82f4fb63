// Monkey's Audio (APE): the 40-byte header at the start; texts from the ID3v1 tag at the end.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tags/id3v1.h"

namespace tunaro::tags {

extern const std::array<const char*, 5> kMonkeyCompressionLevels;  // "Unknown" .. "Extra High"
extern const std::array<const char*, 3> kMonkeyChannelModes;       // "Unknown", "Mono", "Stereo"

class TMonkey {
 public:
  // The 40 header bytes as the file holds them (little-endian).
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
  // True when both the ID3v1 read and the header read succeeded, recognised or not.
  bool Load(const std::string& fileName);
  // Computed from the header each time: "MAC ", sample rate above 0, channels above 0.
  bool Found() const;

  int32_t FileSize;
  THeader Header;
  std::unique_ptr<TID3v1> ID3v1;

 private:
  bool ReadHeader(const std::string& fileName);
};

}  // namespace tunaro::tags
