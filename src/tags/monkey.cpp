#include "tags/monkey.h"

#include <cstring>

namespace tunaro::tags {

const std::array<const char*, 5> kMonkeyCompressionLevels = {"Unknown", "Fast", "Normal", "High",
                                                             "Extra High"};
const std::array<const char*, 3> kMonkeyChannelModes = {"Unknown", "Mono", "Stereo"};

TMonkey::TMonkey() : ID3v1(std::make_unique<TID3v1>()) { Clear(); }

void TMonkey::Clear() {
  FileSize = 0;
  std::memset(&Header, 0, sizeof Header);
  ID3v1->Clear();
}

bool TMonkey::Found() const {
  return std::memcmp(Header.ID, "MAC ", 4) == 0 && Header.SampleRate > 0 && Header.Channels > 0;
}

bool TMonkey::Load(const std::string&) {
  Clear();
  return false;
}

}  // namespace tunaro::tags
