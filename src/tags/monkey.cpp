#include "tags/monkey.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "tags/file_reader.h"

namespace tunaro::tags {

const std::array<const char*, 5> kMonkeyCompressionLevels = {"Unknown", "Fast", "Normal", "High",
                                                             "Extra High"};
const std::array<const char*, 3> kMonkeyChannelModes = {"Unknown", "Mono", "Stereo"};

TMonkey::TMonkey() : ID3v1(std::make_unique<TID3v1>()) {
  Clear();
}

void TMonkey::Clear() {
  FileSize = 0;
  std::memset(&Header, 0, sizeof Header);
  ID3v1->Clear();
}

bool TMonkey::Found() const {
  return std::memcmp(Header.ID, "MAC ", 4) == 0 && Header.SampleRate > 0 && Header.Channels > 0;
}

bool TMonkey::Load(const std::string& fileName) {
  Clear();
  // The texts come from the ID3v1 tag alone; a file too short to hold one fails as a whole.
  if (ID3v1->Load(fileName) && ReadHeader(fileName)) return true;
  Clear();
  return false;
}

// The header is taken from offset 0 whatever it holds; Found() decides whether it is one.
bool TMonkey::ReadHeader(const std::string& fileName) {
  TReadOnlyFile file;
  if (!file.Open(fileName)) return false;
  FileSize =
      static_cast<int32_t>(std::min<int64_t>(file.Size(), std::numeric_limits<int32_t>::max()));
  uint8_t b[sizeof(THeader)];
  if (!file.ReadExactAt(0, b, sizeof b)) return false;
  const auto i32 = [&b](size_t offset) { return static_cast<int32_t>(LoadU32LE(b + offset)); };
  std::memcpy(Header.ID, b, 4);
  Header.Version = LoadU16LE(b + 4);
  Header.CompressionLevel = LoadU16LE(b + 6);
  Header.FormatFlags = LoadU16LE(b + 8);
  Header.Channels = LoadU16LE(b + 10);
  Header.SampleRate = i32(12);
  Header.WavHeaderBytes = i32(16);
  Header.TerminatingBytes = i32(20);
  Header.TotalFrames = i32(24);
  Header.FinalFrameSamples = i32(28);
  // Absent unless the flags announce them.
  Header.PeakLevel = (Header.FormatFlags & 4) != 0 ? i32(32) : 0;
  Header.SeekElements = (Header.FormatFlags & 16) != 0 ? i32(36) : 0;
  return true;
}

}  // namespace tunaro::tags
