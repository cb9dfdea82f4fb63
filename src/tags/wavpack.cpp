#include "tags/wavpack.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "tags/file_reader.h"

namespace tunaro::tags {

namespace {

constexpr size_t kBlockHeaderBytes = 32;
// Stream versions that decoders read: 4.02 to 4.16.
constexpr uint16_t kFirstVersion = 0x402;
constexpr uint16_t kLastVersion = 0x410;
constexpr std::array<uint32_t, 15> kSampleRates = {6000,  8000,  9600,  11025, 12000,
                                                   16000, 22050, 24000, 32000, 44100,
                                                   48000, 64000, 88200, 96000, 192000};
// The tags at the end are read through one window over this many of the last bytes: the APE
// footer, its items and the ID3v1 tag then come with one read.
constexpr int64_t kTailBytes = 4096;

}  // namespace

TWavPack::TWavPack() : ID3v1(std::make_unique<TID3v1>()), APEv2(std::make_unique<TAPEv2>()) {
  Clear();
}

void TWavPack::Clear() {
  Found = false;
  Version = 0;
  SampleRate = 0;
  BitsPerSample = 0;
  Mono = false;
  ID3v1->Clear();
  APEv2->Clear();
}

bool TWavPack::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TWavPack::Load(TReadOnlyFile& file) {
  Clear();
  uint8_t h[kBlockHeaderBytes];
  // Through the read-ahead window, which holds a small file whole.
  if (!file.Seek(0) || !file.ReadExact(h, sizeof h)) return false;
  Version = LoadU16LE(h + 8);
  Found = std::memcmp(h, "wvpk", 4) == 0 && Version >= kFirstVersion && Version <= kLastVersion;
  if (!Found) return true;
  const uint32_t flags = LoadU32LE(h + 24);
  BitsPerSample = static_cast<uint8_t>(((flags & 3) + 1) * 8);
  Mono = (flags & 4) != 0;
  const uint32_t rate = flags >> 23 & 15;
  SampleRate = rate < kSampleRates.size() ? kSampleRates[rate] : 0;

  uint8_t byte;
  if (file.Seek(std::max<int64_t>(0, file.Size() - kTailBytes))) file.Read(&byte, 1);
  APEv2->Load(file);
  ID3v1->Load(file);
  return true;
}

}  // namespace tunaro::tags
