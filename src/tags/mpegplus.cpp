#include "tags/mpegplus.h"

namespace tunaro::tags {

const std::array<const char*, 3> kMPEGplusChannelModes = {"Unknown", "Stereo", "Joint Stereo"};
const std::array<const char*, 6> kMPEGplusProfiles = {"Unknown", "Thumb",  "Radio",
                                                      "Standard", "Xtreme", "Insane"};

TMPEGplus::TMPEGplus() : ID3v1(std::make_unique<TID3v1>()) { Clear(); }

void TMPEGplus::Clear() {
  Found = false;
  ChannelMode = 0;
  FileSize = 0;
  FrameCount = 0;
  BitRate = 0;
  StreamVersion = 0;
  ProfileCode = 0;
  ID3v1->Clear();
}

bool TMPEGplus::Load(const std::string&) {
  Clear();
  return false;
}

}  // namespace tunaro::tags
