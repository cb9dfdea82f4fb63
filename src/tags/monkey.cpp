#include "tags/monkey.h"

#include <algorithm>
#include <cstring>

#include "tags/file_reader.h"

namespace tunaro::tags {

const std::array<const char*, 5> kMonkeyCompressionLevels = {"Unknown", "Fast", "Normal", "High",
                                                             "Extra High"};
const std::array<const char*, 3> kMonkeyChannelModes = {"Unknown", "Mono", "Stereo"};

TMonkey::TMonkey() : ID3v1(std::make_unique<TID3v1>()), APEv2(std::make_unique<TAPEv2>()) {
  Clear();
}

void TMonkey::Clear() {
  FileSize = 0;
  std::memset(&Header, 0, sizeof Header);
  BitsPerSample = 0;
  BlocksPerFrame = 0;
  ID3v1->Clear();
  APEv2->Clear();
}

bool TMonkey::Found() const {
  return std::memcmp(Header.ID, "MAC ", 4) == 0 && Header.SampleRate > 0 && Header.Channels > 0;
}

bool TMonkey::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TMonkey::Load(TReadOnlyFile& file) {
  Clear();
  // A file too short to hold an ID3v1 tag fails as a whole.
  if (file.IsOpen() && ID3v1->Load(file) && ReadHeader(file)) {
    APEv2->Load(file);
    return true;
  }
  Clear();
  return false;
}

// The header is taken from offset 0 whatever it holds; Found() decides whether it is one.
bool TMonkey::ReadHeader(TReadOnlyFile& file) {
  FileSize = ClampedFileSize(file.Size());
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
  if (Header.Version >= 3980) {
    ReadDescriptor(file);
  } else if (Found()) {
    // What the old layout leaves implicit: 8 and 24 bits are flagged, frames grew with 3.90
    // (or Extra High from 3.80) and again with 3.95.
    BitsPerSample = (Header.FormatFlags & 1) != 0 ? 8 : (Header.FormatFlags & 8) != 0 ? 24 : 16;
    BlocksPerFrame =
        Header.Version >= 3950 ? 73728 * 4
        : Header.Version >= 3900 || (Header.Version >= 3800 && Header.CompressionLevel >= 4000)
            ? 73728
            : 9216;
  }
  return true;
}

// From 3.98 on a descriptor, whose size it gives itself, precedes the header. A descriptor
// or header cut short, or too small to hold its fields, leaves everything but the identifier
// and version at 0, so the file is not found.
void TMonkey::ReadDescriptor(TReadOnlyFile& file) {
  const char id[4] = {Header.ID[0], Header.ID[1], Header.ID[2], Header.ID[3]};
  const uint16_t version = Header.Version;
  std::memset(&Header, 0, sizeof Header);
  std::memcpy(Header.ID, id, 4);
  Header.Version = version;

  constexpr size_t kDescriptorBytes = 52;
  constexpr size_t kHeaderBytes = 24;
  uint8_t d[kDescriptorBytes];
  uint8_t h[kHeaderBytes];
  if (!file.ReadExactAt(0, d, sizeof d)) return;
  const uint32_t descriptorBytes = LoadU32LE(d + 8);
  const uint32_t headerBytes = LoadU32LE(d + 12);
  if (descriptorBytes < kDescriptorBytes || headerBytes < kHeaderBytes ||
      !file.ReadExactAt(descriptorBytes, h, sizeof h))
    return;
  const auto i32 = [](const uint8_t* p) { return static_cast<int32_t>(LoadU32LE(p)); };
  Header.WavHeaderBytes = i32(d + 20);
  Header.TerminatingBytes = i32(d + 32);
  Header.SeekElements = static_cast<int32_t>(LoadU32LE(d + 16) / 4);
  Header.CompressionLevel = LoadU16LE(h);
  Header.FormatFlags = LoadU16LE(h + 2);
  BlocksPerFrame = LoadU32LE(h + 4);
  Header.FinalFrameSamples = i32(h + 8);
  Header.TotalFrames = i32(h + 12);
  BitsPerSample = LoadU16LE(h + 16);
  Header.Channels = LoadU16LE(h + 18);
  Header.SampleRate = i32(h + 20);
}

}  // namespace tunaro::tags
