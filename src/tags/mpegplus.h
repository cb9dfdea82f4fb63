// MPEGplus (MPP, MPC) stream versions 4 to 7 from the first 12 bytes, and Musepack stream
// version 8 from its stream header packet; texts from the APE and ID3v1 tags at the end.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "tags/apev2.h"
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
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  // Bounds of the walk to the SV8 stream header: packets looked at, and bytes from the start.
  static constexpr int kMaxPackets = 16;
  static constexpr int64_t kMaxHeaderWalk = 64 * 1024;

  bool Found;
  uint8_t ChannelMode;  // 0 none or mono, 1 stereo, 2 joint stereo (SV8: mid/side used)
  int32_t FileSize;
  uint32_t FrameCount;  // SV8: the samples counted in frames of 1152, as SV7 counts them
  uint16_t BitRate;
  uint8_t StreamVersion;  // 0, 4, 5, 6, 7 or 8
  uint8_t ProfileCode;    // 0 none, 1..5 (stream version 7 only)
  // Stream version 8 only; 0 otherwise.
  uint8_t Channels;
  uint32_t SampleRate;
  uint64_t SampleCount;
  std::unique_ptr<TID3v1> ID3v1;
  std::unique_ptr<TAPEv2> APEv2;

 private:
  bool ReadStreamHeader(TReadOnlyFile& file);
};

}  // namespace tunaro::tags
