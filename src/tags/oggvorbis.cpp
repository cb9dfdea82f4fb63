#include "tags/oggvorbis.h"

namespace tunaro::tags {

const std::array<const char*, 3> kOggChannelModes = {"Unknown", "Mono", "Stereo"};

void TOggVorbis::Clear() {
  Found = false;
  FileSize = 0;
  ChannelMode = 0;
  SampleRate = 0;
  BitRate = 0;
  SampleCount = 0;
  Title.clear();
  Artist.clear();
  Album.clear();
  Track = 0;
  Year.clear();
  Genre.clear();
  Comment.clear();
  Vendor.clear();
}

bool TOggVorbis::Load(const std::string&) {
  Clear();
  return false;
}

}  // namespace tunaro::tags
