#include "tags/mpegplus.h"

#include <gtest/gtest.h>

#include <random>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::APEItem;
using test::APETag;
using test::ID3v1Block;
using test::TTempDir;

std::string Bytes(std::initializer_list<uint8_t> b) {
  return std::string(b.begin(), b.end());
}

// An SV8 number: 7 bits a byte, most significant first, the top bit on all but the last.
std::string VarSize(uint64_t v) {
  std::string out(1, static_cast<char>(v & 0x7F));
  while ((v >>= 7) != 0) out.insert(out.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  return out;
}

// A packet: key, then a size that counts key, itself and the payload.
std::string Packet(std::string_view key, const std::string& payload) {
  size_t size = 2 + 1 + payload.size();
  while (VarSize(size).size() + 2 + payload.size() != size) ++size;
  return std::string(key) + VarSize(size) + payload;
}

struct TStreamHeader {
  uint8_t Version = 8;
  uint64_t Samples = 22050;
  uint8_t RateIndex = 0;
  uint8_t Channels = 2;
  bool MidSide = true;
};

std::string SH(const TStreamHeader& h) {
  return Packet("SH", "\x12\x34\x56\x78" + std::string(1, static_cast<char>(h.Version)) +
                          VarSize(h.Samples) + VarSize(0) +
                          static_cast<char>(h.RateIndex << 5 | 13) +
                          static_cast<char>((h.Channels - 1) << 4 | (h.MidSide ? 8 : 0) | 3));
}

class MPEGplusTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return Mpc.Load(Dir.Write("t.mpc", bytes)); }
  void ExpectNotFound() {
    EXPECT_FALSE(Mpc.Found);
    EXPECT_EQ(Mpc.StreamVersion, 0);
    EXPECT_EQ(Mpc.ChannelMode, 0);
    EXPECT_EQ(Mpc.FileSize, 0);
    EXPECT_EQ(Mpc.FrameCount, 0u);
    EXPECT_EQ(Mpc.BitRate, 0);
    EXPECT_EQ(Mpc.ProfileCode, 0);
    EXPECT_FALSE(Mpc.ID3v1->Found);
    EXPECT_EQ(Mpc.ID3v1->Title, "");
    EXPECT_EQ(Mpc.Channels, 0);
    EXPECT_EQ(Mpc.SampleRate, 0u);
    EXPECT_FALSE(Mpc.APEv2->Found);
  }
  TTempDir Dir;
  TMPEGplus Mpc;
};

struct THeaderCase {
  const char* What;
  std::string Bytes;  // the first 12 bytes
  uint8_t Version, ChannelMode;
  uint32_t FrameCount;
  uint16_t BitRate;
  uint8_t Profile;
};

class MPEGplusHeaderTest : public MPEGplusTest,
                           public ::testing::WithParamInterface<THeaderCase> {};

TEST_P(MPEGplusHeaderTest, DerivesVersionAndProperties) {
  const auto& c = GetParam();
  ASSERT_EQ(c.Bytes.size(), 12u);
  ASSERT_TRUE(Load(c.Bytes + std::string(20, '\0')));
  EXPECT_EQ(Mpc.Found, c.Version != 0);
  EXPECT_EQ(Mpc.StreamVersion, c.Version);
  EXPECT_EQ(Mpc.ChannelMode, c.ChannelMode);
  EXPECT_EQ(Mpc.FrameCount, c.FrameCount);
  EXPECT_EQ(Mpc.BitRate, c.BitRate);
  EXPECT_EQ(Mpc.ProfileCode, c.Profile);
  EXPECT_EQ(Mpc.FileSize, c.Version != 0 ? 32 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MPEGplusHeaderTest,
    ::testing::Values(
        THeaderCase{"sv7 joint stereo, Standard",
                    Bytes({'M', 'P', '+', 7,        // magic and version
                           0x10, 0x20, 0x30, 0x40,  // W1: frame count
                           0, 0, 0xA0, 0x40}),      // B10 profile, B11 bit 0x40
                    7, 2, 0x40302010, 0, 3},
        THeaderCase{"sv7 stereo, Thumb", Bytes({'M', 'P', '+', 7, 5, 0, 0, 0, 0, 0, 0x80, 0xBF}), 7,
                    1, 5, 0, 1},
        THeaderCase{"sv7 profile byte with a low nibble",
                    Bytes({'M', 'P', '+', 7, 5, 0, 0, 0, 0, 0, 0x81, 0}), 7, 1, 5, 0, 0},
        THeaderCase{"sv7 profile Insane", Bytes({'M', 'P', '+', 7, 0, 0, 0, 0, 0, 0, 0xC0, 0}), 7,
                    1, 0, 0, 5},
        THeaderCase{"sv4: upper half of W1, top 9 bits of W0",
                    Bytes({0x00, 0x06, 0x81, 0xFF,  // B1 bits 1..4 = 3; W0 >> 23 = 511
                           0x34, 0x12, 0x78, 0x56,  // W1
                           0, 0, 0, 0}),
                    4, 2, 0x5678, 511, 0},
        THeaderCase{"sv5: all of W1",
                    Bytes({0x00, 0x0E, 0x00, 0x40, 0x34, 0x12, 0x78, 0x56, 0, 0, 0, 0}), 5, 1,
                    0x56781234, 128, 0},
        THeaderCase{"sv6 ignores the bit rate bits",
                    Bytes({0x00, 0xF6, 0x80, 0xFF, 9, 0, 0, 0, 0, 0, 0xA0, 0}), 6, 1, 9, 0, 0},
        THeaderCase{"MP+ with another version byte falls to the B1 test",
                    Bytes({'M', 'P', '+', 8, 5, 0, 0, 0, 0, 0, 0xA0, 0}), 0, 0, 0, 0, 0},
        THeaderCase{"SV8 stream header of version 0",
                    Bytes({'M', 'P', 'C', 'K', 'S', 'H', 0x0E, 0xFB, 0, 0, 0, 0}), 0, 0, 0, 0, 0}));

struct TSV8Case {
  const char* What;
  std::string Packets;  // after "MPCK"
  bool Found;
  uint8_t Channels, ChannelMode;
  uint32_t SampleRate, FrameCount;
  uint64_t SampleCount;
};

TEST_F(MPEGplusTest, FindsTheSV8StreamHeader) {
  const std::string audio = Packet("AP", std::string(40, '\x55'));
  const std::string rg = Packet("RG", std::string(9, '\0'));
  const TSV8Case cases[] = {
      {"first packet", SH({}), true, 2, 2, 44100, 20, 22050},
      {"after other packets", rg + Packet("EI", "\x01") + SH({}), true, 2, 2, 44100, 20, 22050},
      {"after a packet with a 2-byte size", Packet("XX", std::string(300, 'x')) + SH({}), true, 2,
       2, 44100, 20, 22050},
      {"stereo without mid/side", SH({.MidSide = false}), true, 2, 1, 44100, 20, 22050},
      {"mono", SH({.Channels = 1, .MidSide = false}), true, 1, 0, 44100, 20, 22050},
      {"six channels", SH({.Channels = 6}), true, 6, 0, 44100, 20, 22050},
      {"48000 Hz", SH({.RateIndex = 1}), true, 2, 2, 48000, 20, 22050},
      {"37800 Hz", SH({.RateIndex = 2}), true, 2, 2, 37800, 20, 22050},
      {"32000 Hz", SH({.RateIndex = 3}), true, 2, 2, 32000, 20, 22050},
      {"a whole frame", SH({.Samples = 1152}), true, 2, 2, 44100, 1, 1152},
      {"no samples", SH({.Samples = 0}), true, 2, 2, 44100, 0, 0},
      {"a 6-byte sample count", SH({.Samples = 1ull << 40}), true, 2, 2, 44100,
       static_cast<uint32_t>(((1ull << 40) + 1151) / 1152), 1ull << 40},
      {"more frames than counted", SH({.Samples = 1ull << 55}), true, 2, 2, 44100, UINT32_MAX,
       1ull << 55},
      {"rate index 4", SH({.RateIndex = 4}), false, 0, 0, 0, 0, 0},
      {"stream version 7", SH({.Version = 7}), false, 0, 0, 0, 0, 0},
      {"audio first", audio + SH({}), false, 0, 0, 0, 0, 0},
      {"stream end first", Packet("SE", "") + SH({}), false, 0, 0, 0, 0, 0},
      {"no stream header", rg + audio, false, 0, 0, 0, 0, 0},
      {"stream header cut short", SH({}).substr(0, 10), false, 0, 0, 0, 0, 0},
      {"a size smaller than the packet's head", "SH\x02" + SH({}), false, 0, 0, 0, 0, 0},
      {"a size of nine bytes", "XX" + std::string(8, '\x81') + "\x01" + SH({}), false, 0, 0, 0, 0,
       0},
      {"a stream header longer than its size", "SH\x08" + SH({}).substr(3), false, 0, 0, 0, 0, 0},
      {"more packets than looked at",
       [&] {
         std::string s;
         for (int i = 0; i < TMPEGplus::kMaxPackets; ++i) s += Packet("XX", "");
         return s + SH({});
       }(),
       false, 0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    // Audio only after a stream header, so that a damaged one is not mended by what follows.
    const std::string file = "MPCK" + c.Packets + (c.Found ? audio : std::string());
    ASSERT_TRUE(Load(file)) << c.What;
    EXPECT_EQ(Mpc.Found, c.Found) << c.What;
    EXPECT_EQ(Mpc.StreamVersion, c.Found ? 8 : 0) << c.What;
    EXPECT_EQ(Mpc.Channels, c.Channels) << c.What;
    EXPECT_EQ(Mpc.ChannelMode, c.ChannelMode) << c.What;
    EXPECT_EQ(Mpc.SampleRate, c.SampleRate) << c.What;
    EXPECT_EQ(Mpc.FrameCount, c.FrameCount) << c.What;
    EXPECT_EQ(Mpc.SampleCount, c.SampleCount) << c.What;
    EXPECT_EQ(Mpc.FileSize, c.Found ? static_cast<int32_t>(file.size()) : 0) << c.What;
    EXPECT_EQ(Mpc.BitRate, 0) << c.What;
    EXPECT_EQ(Mpc.ProfileCode, 0) << c.What;
  }
}

TEST_F(MPEGplusTest, ReadsTheAPETagOfARecognisedStream) {
  const std::string sv7 = Bytes({'M', 'P', '+', 7, 1, 0, 0, 0, 0, 0, 0x90, 0});
  const std::string sv8 = "MPCK" + SH({}) + Packet("AP", std::string(40, 'a'));
  const std::string tag =
      APETag({APEItem("Title", "Ape Title"), APEItem("Track", "2")}, 2000, true);
  for (const auto& head : {sv7, sv8}) {
    ASSERT_TRUE(Load(head + std::string(50, 'a') + tag + ID3v1Block("Song", "Artist")));
    EXPECT_TRUE(Mpc.Found);
    EXPECT_EQ(Mpc.APEv2->Title, "Ape Title");
    EXPECT_EQ(Mpc.APEv2->Track, 2);
    EXPECT_EQ(Mpc.ID3v1->Title, "Song");
  }
  ASSERT_TRUE(Load("ID3" + sv8 + tag));
  ExpectNotFound();
  EXPECT_FALSE(Mpc.APEv2->Found);
}

TEST_F(MPEGplusTest, TheTagIsReadOnlyForARecognisedStream) {
  const std::string sv7 = Bytes({'M', 'P', '+', 7, 1, 0, 0, 0, 0, 0, 0x90, 0});
  ASSERT_TRUE(Load(sv7 + std::string(50, 'a') + ID3v1Block("Song", "Artist", "", "", "", 9)));
  EXPECT_TRUE(Mpc.Found);
  EXPECT_EQ(Mpc.ProfileCode, 2);
  EXPECT_EQ(Mpc.ID3v1->Artist, "Artist");
  EXPECT_EQ(Mpc.ID3v1->Track, 9);

  ASSERT_TRUE(Load("ID3" + sv7 + std::string(50, 'a') + ID3v1Block("Song", "Artist")));
  ExpectNotFound();

  ASSERT_TRUE(Load(sv7 + std::string(200, 'a')));  // no tag
  EXPECT_TRUE(Mpc.Found);
  EXPECT_FALSE(Mpc.ID3v1->Found);

  ASSERT_TRUE(Load(sv7));  // 12 bytes: recognised, the tag read fails quietly
  EXPECT_TRUE(Mpc.Found);
  EXPECT_EQ(Mpc.FileSize, 12);
  EXPECT_FALSE(Mpc.ID3v1->Found);
}

TEST(MPEGplusFiles, RealFiles) {
  const std::string data = std::string(TUNARO_TEST_DATA) + "/vqf-ape-mpc-rm/";
  TMPEGplus mpc;
  ASSERT_TRUE(mpc.Load(data + "sv7-click-id3v1.mpc"));
  EXPECT_TRUE(mpc.Found);
  EXPECT_EQ(mpc.StreamVersion, 7);
  EXPECT_EQ(mpc.ChannelMode, 2);
  EXPECT_EQ(mpc.FrameCount, 3u);
  EXPECT_EQ(mpc.ProfileCode, 3);
  EXPECT_EQ(mpc.ID3v1->Title, "Click");
  EXPECT_EQ(mpc.ID3v1->Artist, "Mutagen Suite");
  EXPECT_EQ(mpc.ID3v1->Track, 7);
  struct {
    const char* Name;
    bool ID3v1, APEv2;
  } sv8[] = {{"mpcenc-sv8-id3v1.mpc", true, false},
             {"mpcenc-sv8-apev2.mpc", false, true},
             {"mpcenc-sv8-apev2-id3v1.mpc", true, true}};
  for (const auto& c : sv8) {
    ASSERT_TRUE(mpc.Load(data + c.Name)) << c.Name;
    EXPECT_TRUE(mpc.Found) << c.Name;
    EXPECT_EQ(mpc.StreamVersion, 8) << c.Name;
    EXPECT_EQ(mpc.Channels, 2) << c.Name;
    EXPECT_EQ(mpc.ChannelMode, 2) << c.Name;
    EXPECT_EQ(mpc.SampleRate, 44100u) << c.Name;
    EXPECT_EQ(mpc.SampleCount, 22050u) << c.Name;
    EXPECT_EQ(mpc.FrameCount, 20u) << c.Name;
    EXPECT_EQ(mpc.ID3v1->Found, c.ID3v1) << c.Name;
    EXPECT_EQ(mpc.APEv2->Found, c.APEv2) << c.Name;
    EXPECT_EQ(mpc.APEv2->Title, c.APEv2 ? "Café 🌙 夜" : "") << c.Name;
    EXPECT_EQ(mpc.APEv2->Artist, c.APEv2 ? "宇多田ヒカル" : "") << c.Name;
  }
  EXPECT_EQ(mpc.ID3v1->Title, "ID3v1 Title");

  const std::string samples = std::string(TUNARO_SAMPLES) + "/mpc/";
  ASSERT_TRUE(mpc.Load(samples + "mutagen-sv4_header.mpc"));
  EXPECT_EQ(mpc.StreamVersion, 4);
  EXPECT_EQ(mpc.FrameCount, 1010u);
  ASSERT_TRUE(mpc.Load(samples + "mutagen-sv5_header.mpc"));
  EXPECT_EQ(mpc.StreamVersion, 5);
  EXPECT_EQ(mpc.FrameCount, 1010u);
  ASSERT_TRUE(mpc.Load(samples + "mutagen-sv8_header.mpc"));
  EXPECT_EQ(mpc.StreamVersion, 8);
  EXPECT_EQ(mpc.SampleCount, 66014u);
  ASSERT_TRUE(mpc.Load(samples + "mm-bach-goldberg-variatians-05.sv8.mpc"));
  EXPECT_EQ(mpc.SampleRate, 48000u);
  EXPECT_EQ(mpc.APEv2->Artist, "Johann Sebastian Bach");
  EXPECT_EQ(mpc.APEv2->Track, 5);
  for (const char* name : {"mutagen-almostempty.mpc",
                           "exiftool-APE.mpc"}) {  // the last: an ID3v2 tag before the stream
    EXPECT_TRUE(mpc.Load(samples + name)) << name;
    EXPECT_FALSE(mpc.Found) << name;
  }
}

TEST(MPEGplusFuzz, TruncatedAndScrambledFilesEndQuietly) {
  TTempDir dir;
  const std::string real = test::ReadFile(TUNARO_TEST_DATA "/vqf-ape-mpc-rm/sv7-click-id3v1.mpc");
  ASSERT_GT(real.size(), 200u);
  TMPEGplus mpc;
  for (size_t n = 0; n <= 200; ++n) {
    EXPECT_EQ(mpc.Load(dir.Write("cut.mpc", real.substr(0, n))), n >= 12);
    EXPECT_EQ(mpc.Found, n >= 12);
  }
  EXPECT_FALSE(mpc.Load(dir / "none.mpc"));
  EXPECT_FALSE(mpc.Found);
  std::mt19937 random(6);
  for (int round = 0; round < 100; ++round) {
    std::string bytes = real;
    for (int k = 0; k < 3; ++k) bytes[random() % 12] = static_cast<char>(random());
    ASSERT_TRUE(mpc.Load(dir.Write("scrambled.mpc", bytes)));
    EXPECT_TRUE(mpc.StreamVersion == 0 || mpc.StreamVersion >= 4);
    EXPECT_LE(mpc.ProfileCode, 5);
  }
}

}  // namespace
}  // namespace tunaro::tags
