#include "tags/mpegplus.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::ID3v1Block;
using test::TTempDir;

std::string Bytes(std::initializer_list<uint8_t> b) {
  return std::string(b.begin(), b.end());
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
        THeaderCase{"SV8", Bytes({'M', 'P', 'C', 'K', 'S', 'H', 0x0E, 0xFB, 0, 0, 0, 0}), 0, 0, 0,
                    0, 0}));

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
  // Musepack SV8 is another format; its tag is not even read.
  ASSERT_TRUE(mpc.Load(data + "mpcenc-sv8-id3v1.mpc"));
  EXPECT_FALSE(mpc.Found);
  EXPECT_FALSE(mpc.ID3v1->Found);

  const std::string samples = std::string(TUNARO_SAMPLES) + "/mpc/";
  if (!std::filesystem::exists(samples)) GTEST_SKIP() << "no samples in " << samples;
  ASSERT_TRUE(mpc.Load(samples + "mutagen-sv4_header.mpc"));
  EXPECT_EQ(mpc.StreamVersion, 4);
  EXPECT_EQ(mpc.FrameCount, 1010u);
  ASSERT_TRUE(mpc.Load(samples + "mutagen-sv5_header.mpc"));
  EXPECT_EQ(mpc.StreamVersion, 5);
  EXPECT_EQ(mpc.FrameCount, 1010u);
  for (const char* name : {"mutagen-sv8_header.mpc", "mutagen-almostempty.mpc",
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
