// MPEGplus (MPP, MPC) stream versions 4 to 7 from the first 12 bytes; texts from the ID3v1
// tag at the end.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tags/id3v1.h"

namespace tunaro::tags {

// "Unknown", "Stereo", "Joint Stereo" (index = ChannelMode)
extern const std::array<const char*, 3> kMPEGplusChannelModes;
// "Unknown" .. "Insane" (index = ProfileCode)
extern const std::array<const char*, 6> kMPEGplusProfiles;

class TMPEGplus {
 public:
  TMPEGplus();

  void Clear();
  // The result of the 12-byte header read alone; Found says whether it was recognised.
  bool Load(const std::string& fileName);

  bool Found;
  uint8_t ChannelMode;  // 0 none, 1 stereo, 2 joint stereo
  int32_t FileSize;
  uint32_t FrameCount;
  uint16_t BitRate;
  uint8_t StreamVersion;  // 0, 4, 5, 6 or 7
  uint8_t ProfileCode;    // 0 none, 1..5 (stream version 7 only)
  std::unique_ptr<TID3v1> ID3v1;
};

}  // namespace tunaro::tags
