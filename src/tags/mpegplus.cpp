#include "tags/mpegplus.h"

#include <algorithm>
#include <limits>

#include "tags/file_reader.h"

namespace tunaro::tags {

const std::array<const char*, 3> kMPEGplusChannelModes = {"Unknown", "Stereo", "Joint Stereo"};
const std::array<const char*, 6> kMPEGplusProfiles = {"Unknown",  "Thumb",  "Radio",
                                                      "Standard", "Xtreme", "Insane"};

TMPEGplus::TMPEGplus() : ID3v1(std::make_unique<TID3v1>()) {
  Clear();
}

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

namespace {

// SV7 starts with "MP+" and the version byte; SV4 to SV6 keep their version in bits 1..4 of
// the second byte. Anything else, SV8's "MPCK" included, is not recognised.
uint8_t StreamVersionOf(const uint8_t* b) {
  if (LoadU32LE(b) == 0x072B504Du) return 7;
  switch ((b[1] & 0x1F) >> 1) {
    case 3:
      return 4;
    case 7:
      return 5;
    case 11:
      return 6;
    default:
      return 0;
  }
}

// The whole byte decides: 0x81 is no profile, not Thumb.
uint8_t ProfileOf(uint8_t b10) {
  switch (b10) {
    case 0x80:
      return 1;
    case 0x90:
      return 2;
    case 0xA0:
      return 3;
    case 0xB0:
      return 4;
    case 0xC0:
      return 5;
    default:
      return 0;
  }
}

}  // namespace

bool TMPEGplus::Load(const std::string& fileName) {
  Clear();
  uint8_t b[12];
  int64_t size = 0;
  {
    TReadOnlyFile file;
    if (!file.Open(fileName)) return false;
    if (file.ReadAt(0, b, sizeof b) != static_cast<int64_t>(sizeof b)) return false;
    size = file.Size();
  }
  const uint8_t version = StreamVersionOf(b);
  if (size <= 0 || version == 0) return true;

  const uint32_t w0 = LoadU32LE(b);
  const uint32_t w1 = LoadU32LE(b + 4);
  Found = true;
  StreamVersion = version;
  FileSize = static_cast<int32_t>(std::min<int64_t>(size, std::numeric_limits<int32_t>::max()));
  if (version == 7) {
    ChannelMode = (b[11] & 0x40) != 0 ? 2 : 1;
    ProfileCode = ProfileOf(b[10]);
  } else {
    ChannelMode = (b[2] & 0x7F) != 0 ? 2 : 1;
  }
  FrameCount = version == 4 ? w1 >> 16 : w1;
  if (version <= 5) BitRate = static_cast<uint16_t>(w0 >> 23);
  // Only a recognised stream has its tag read; a failed read leaves the texts empty.
  ID3v1->Load(fileName);
  return true;
}

}  // namespace tunaro::tags
