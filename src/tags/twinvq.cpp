#include "tags/twinvq.h"

namespace tunaro::tags {

const std::array<const char*, 3> kTwinVQChannelModes = {"Unknown", "Mono", "Stereo"};

void TTwinVQ::Clear() {
  Found = false;
  ChannelMode = 0;
  BitRate = 0;
  SampleRate = 0;
  FileSize = 0;
  Duration = 0.0;
  Title.clear();
  Comment.clear();
  Author.clear();
  RightsNotice.clear();
  SourceFile.clear();
}

bool TTwinVQ::Load(const std::string&) {
  Clear();
  return false;
}

}  // namespace tunaro::tags
