#include "tags/monkey.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::ID3v1Block;
using test::TTempDir;

std::string LE16(uint16_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8)};
}
std::string LE32(uint32_t v) {
  return LE16(static_cast<uint16_t>(v)) + LE16(v >> 16);
}

struct THeaderBytes {
  std::string ID = "MAC ";
  uint16_t Flags = 0;
  uint16_t Channels = 2;
  uint32_t SampleRate = 44100;
};

std::string MacHeader(const THeaderBytes& h) {
  return h.ID                                                // identifier
         + LE16(3990)                                        // version
         + LE16(2000)                                        // compression level
         + LE16(h.Flags)                                     // format flags
         + LE16(h.Channels) + LE32(h.SampleRate) + LE32(44)  // WAV header bytes
         + LE32(0)                                           // terminating bytes
         + LE32(12)                                          // total frames
         + LE32(4000)                                        // final frame samples
         + LE32(0x7FFF)                                      // peak level
         + LE32(9);                                          // seek elements
}

class MonkeyTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return Ape.Load(Dir.Write("t.ape", bytes)); }
  TTempDir Dir;
  TMonkey Ape;
};

TEST_F(MonkeyTest, ReadsHeaderAndTheTextsOfItsID3v1Tag) {
  const std::string file = MacHeader({.Flags = 4 | 16}) + std::string(100, 'a') +
                           ID3v1Block("Song", "Artist", "Album", "1999", "Note", 5);
  ASSERT_TRUE(Load(file));
  EXPECT_TRUE(Ape.Found());
  EXPECT_EQ(Ape.FileSize, static_cast<int32_t>(file.size()));
  const auto& h = Ape.Header;
  EXPECT_EQ(h.Version, 3990);
  EXPECT_EQ(h.CompressionLevel, 2000);
  EXPECT_EQ(h.Channels, 2);
  EXPECT_EQ(h.SampleRate, 44100);
  EXPECT_EQ(h.WavHeaderBytes, 44);
  EXPECT_EQ(h.TotalFrames, 12);
  EXPECT_EQ(h.FinalFrameSamples, 4000);
  EXPECT_EQ(h.PeakLevel, 0x7FFF);
  EXPECT_EQ(h.SeekElements, 9);
  EXPECT_EQ(Ape.ID3v1->Artist, "Artist");
  EXPECT_EQ(Ape.ID3v1->Title, "Song");
  EXPECT_EQ(Ape.ID3v1->Track, 5);
}

TEST_F(MonkeyTest, PeakLevelAndSeekElementsNeedTheirFlags) {
  const struct {
    uint16_t Flags;
    int32_t Peak, Seek;
  } cases[] = {{0, 0, 0}, {4, 0x7FFF, 0}, {16, 0, 9}, {4 | 16, 0x7FFF, 9}, {0xFFEB, 0, 0}};
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(MacHeader({.Flags = c.Flags}) + std::string(100, 'a')));
    EXPECT_EQ(Ape.Header.PeakLevel, c.Peak) << c.Flags;
    EXPECT_EQ(Ape.Header.SeekElements, c.Seek) << c.Flags;
    EXPECT_TRUE(Ape.Found());  // without an ID3v1 tag: found, all texts empty
    EXPECT_FALSE(Ape.ID3v1->Found);
  }
}

TEST_F(MonkeyTest, FoundNeedsTheExactIdentifierChannelsAndAPositiveRate) {
  const struct {
    const char* What;
    std::string Bytes;
  } cases[] = {
      {"no channels", MacHeader({.Channels = 0})},
      {"rate with its top bit set", MacHeader({.SampleRate = 0x8000AC44})},
      {"rate 0", MacHeader({.SampleRate = 0})},
      {"no blank", MacHeader({.ID = std::string("MAC\0", 4)})},
      {"lower case", MacHeader({.ID = "mac "})},
      {"ID3v2 first", "ID3\x03" + std::string(6, '\0') + MacHeader({})},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(c.Bytes + std::string(100, 'a') + ID3v1Block("T", "A"))) << c.What;
    EXPECT_FALSE(Ape.Found()) << c.What;
    EXPECT_TRUE(Ape.ID3v1->Found) << c.What;  // read, but the rename run does not use it
  }
}

TEST(MonkeyFiles, RealFiles) {
  TMonkey ape;
  ASSERT_TRUE(ape.Load(std::string(TUNARO_TEST_DATA) + "/vqf-ape-mpc-rm/mac-390-id3v1.ape"));
  EXPECT_TRUE(ape.Found());
  EXPECT_EQ(ape.Header.Version, 3900);
  EXPECT_EQ(ape.Header.CompressionLevel, 4000);
  EXPECT_EQ(ape.Header.Channels, 2);
  EXPECT_EQ(ape.Header.SampleRate, 44100);
  EXPECT_EQ(ape.Header.PeakLevel, 10201);  // flags 0x16: peak level and seek elements present
  EXPECT_EQ(ape.Header.SeekElements, 10);
  EXPECT_EQ(ape.ID3v1->Title, "Old Header");
  EXPECT_EQ(ape.ID3v1->Artist, "Monkey");
  EXPECT_EQ(ape.ID3v1->Track, 12);

  const std::string samples = std::string(TUNARO_SAMPLES) + "/ape/";
  if (!std::filesystem::exists(samples)) GTEST_SKIP() << "no samples in " << samples;
  EXPECT_FALSE(ape.Load(samples + "mutagen-mac-396.ape"));  // 104 bytes: no room for a tag
  EXPECT_FALSE(ape.Found());
  // From 3.98 on a descriptor stands where the old header kept its channel count.
  EXPECT_TRUE(ape.Load(samples + "taglib-mac-399-tagged.ape"));
  EXPECT_FALSE(ape.Found());
  EXPECT_TRUE(ape.ID3v1->Found);
  EXPECT_TRUE(ape.Load(samples + "taglib-mac-399-id3v2.ape"));
  EXPECT_FALSE(ape.Found());
  EXPECT_TRUE(ape.Load(samples + "taglib-zerodiv.ape"));
  EXPECT_FALSE(ape.Found());
}

TEST(MonkeyFuzz, TruncatedAndScrambledFilesEndQuietly) {
  TTempDir dir;
  const std::string real = test::ReadFile(TUNARO_TEST_DATA "/vqf-ape-mpc-rm/mac-390-id3v1.ape");
  ASSERT_EQ(real.size(), 256u);
  TMonkey ape;
  // Too short for an ID3v1 tag: a failure that clears everything, FileSize included.
  for (size_t n = 0; n <= real.size(); ++n) {
    EXPECT_EQ(ape.Load(dir.Write("cut.ape", real.substr(0, n))), n >= 128);
    EXPECT_EQ(ape.FileSize, n >= 128 ? static_cast<int32_t>(n) : 0);
    EXPECT_EQ(ape.Found(), n >= 128);
    EXPECT_EQ(ape.ID3v1->Found, n == real.size());
  }
  EXPECT_FALSE(ape.Load(dir / "none.ape"));
  EXPECT_EQ(std::string(ape.Header.ID, 4), std::string(4, '\0'));
  std::mt19937 random(4);
  for (int round = 0; round < 100; ++round) {
    std::string bytes = real;
    for (int k = 0; k < 4; ++k) bytes[random() % 40] = static_cast<char>(random());
    ASSERT_TRUE(ape.Load(dir.Write("scrambled.ape", bytes)));
    EXPECT_EQ(ape.ID3v1->Title, "Old Header");
  }
}

}  // namespace
}  // namespace tunaro::tags
