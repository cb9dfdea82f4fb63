#include "tags/mpegplus.h"

#include <algorithm>
#include <cstring>

#include "tags/file_reader.h"

namespace tunaro::tags {

const std::array<const char*, 3> kMPEGplusChannelModes = {"Unknown", "Stereo", "Joint Stereo"};
const std::array<const char*, 6> kMPEGplusProfiles = {"Unknown",  "Thumb",  "Radio",
                                                      "Standard", "Xtreme", "Insane"};

TMPEGplus::TMPEGplus() : ID3v1(std::make_unique<TID3v1>()), APEv2(std::make_unique<TAPEv2>()) {
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
  Channels = 0;
  SampleRate = 0;
  SampleCount = 0;
  ID3v1->Clear();
  APEv2->Clear();
}

namespace {

// SV7 starts with "MP+" and the version byte; SV4 to SV6 keep their version in bits 1..4 of
// the second byte. SV8's "MPCK" is looked at apart.
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

// An SV8 number: 7 bits a byte, most significant first, the top bit set on all but the last.
// More than 8 bytes (56 bits) is damage.
bool ReadVarSize(TByteReader& in, uint64_t& value) {
  value = 0;
  for (int i = 0; i < 8; ++i) {
    uint8_t b = 0;
    if (!in.U8(b)) return false;
    value = value << 7 | (b & 0x7F);
    if ((b & 0x80) == 0) return true;
  }
  return false;
}

}  // namespace

// Walks the packets after "MPCK" (two-letter key, size counting key and size field) up to
// the stream header "SH"; audio or the stream's end before it means no stream header.
bool TMPEGplus::ReadStreamHeader(TReadOnlyFile& file) {
  int64_t at = 4;
  for (int n = 0; n < kMaxPackets && at < kMaxHeaderWalk; ++n) {
    uint8_t b[2 + 8 + 4 + 1 + 8 + 8 + 2];  // key, size, CRC, version, two numbers, two bytes
    const int64_t got = file.ReadAt(at, b, sizeof b);
    if (got < 3) return false;
    TByteReader in(b, static_cast<size_t>(got));
    uint64_t size = 0;
    if (!in.Skip(2) || !ReadVarSize(in, size) || size < in.Position()) return false;
    if (b[0] == 'A' && b[1] == 'P') return false;
    if (b[0] == 'S' && b[1] == 'E') return false;
    if (b[0] != 'S' || b[1] != 'H') {
      at += static_cast<int64_t>(size);
      continue;
    }
    uint8_t version = 0, rateAndBands = 0, channelsAndFlags = 0;
    uint64_t samples = 0, silence = 0;
    if (!in.Skip(4) || !in.U8(version) || version != 8 || !ReadVarSize(in, samples) ||
        !ReadVarSize(in, silence) || !in.U8(rateAndBands) || !in.U8(channelsAndFlags) ||
        in.Position() > size)
      return false;
    static constexpr uint32_t kRates[8] = {44100, 48000, 37800, 32000, 0, 0, 0, 0};
    SampleRate = kRates[rateAndBands >> 5];
    if (SampleRate == 0) return false;
    Channels = static_cast<uint8_t>((channelsAndFlags >> 4) + 1);
    SampleCount = samples;
    const bool midSide = (channelsAndFlags & 0x08) != 0;
    ChannelMode = Channels != 2 ? 0 : midSide ? 2 : 1;
    FrameCount = static_cast<uint32_t>(std::min<uint64_t>((samples + 1151) / 1152, UINT32_MAX));
    return true;
  }
  return false;
}

bool TMPEGplus::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TMPEGplus::Load(TReadOnlyFile& file) {
  Clear();
  uint8_t b[12];
  if (!file.IsOpen()) return false;
  if (file.ReadAt(0, b, sizeof b) != static_cast<int64_t>(sizeof b)) return false;
  const int64_t size = file.Size();
  if (std::memcmp(b, "MPCK", 4) == 0) {
    if (!ReadStreamHeader(file)) {
      Clear();
      return true;
    }
    Found = true;
    StreamVersion = 8;
    FileSize = ClampedFileSize(size);
    ID3v1->Load(file);
    APEv2->Load(file);
    return true;
  }
  const uint8_t version = StreamVersionOf(b);
  if (size <= 0 || version == 0) return true;

  const uint32_t w0 = LoadU32LE(b);
  const uint32_t w1 = LoadU32LE(b + 4);
  Found = true;
  StreamVersion = version;
  FileSize = ClampedFileSize(size);
  if (version == 7) {
    ChannelMode = (b[11] & 0x40) != 0 ? 2 : 1;
    ProfileCode = ProfileOf(b[10]);
  } else {
    ChannelMode = (b[2] & 0x7F) != 0 ? 2 : 1;
  }
  FrameCount = version == 4 ? w1 >> 16 : w1;
  if (version <= 5) BitRate = static_cast<uint16_t>(w0 >> 23);
  // Only a recognised stream has its tags read; a failed read leaves the texts empty.
  ID3v1->Load(file);
  APEv2->Load(file);
  return true;
}

}  // namespace tunaro::tags
