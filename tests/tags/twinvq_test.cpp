#include "tags/twinvq.h"

#include <gtest/gtest.h>

#include <random>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::TTempDir;

std::string BE32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// The fixed 40-byte header; its first chunk is the 16-byte "COMM" that ends at offset 40.
std::string Header(uint32_t channels, uint32_t bitRate, uint32_t rateCode,
                   uint32_t headerSize = 24) {
  return "TWIN97012000"      // magic
         + BE32(headerSize)  // header size
         + "COMM"            // first chunk ID
         + BE32(16)          // first chunk size
         + BE32(channels)    // 0 mono, 1 stereo
         + BE32(bitRate)     // kbit/s
         + BE32(rateCode)    // sample rate code
         + BE32(0);          // not used
}

std::string Chunk(std::string_view id, std::string_view data) {
  return std::string(id) + BE32(static_cast<uint32_t>(data.size())) + std::string(data);
}

class TwinVQTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return Vqf.Load(Dir.Write("t.vqf", bytes)); }
  std::string Texts() const {
    return Vqf.Title + Vqf.Comment + Vqf.Author + Vqf.RightsNotice + Vqf.SourceFile;
  }
  void ExpectCleared() {
    EXPECT_FALSE(Vqf.Found);
    EXPECT_EQ(Vqf.ChannelMode + Vqf.BitRate + Vqf.SampleRate + Vqf.FileSize, 0);
    EXPECT_EQ(Vqf.Duration, 0.0);
    EXPECT_EQ(Texts(), "");
  }
  TTempDir Dir;
  TTwinVQ Vqf;
};

TEST_F(TwinVQTest, ShortMissingOrForeignFilesLeaveNothingBehind) {
  ASSERT_TRUE(Load(Header(1, 80, 44) + Chunk("NAME", "T") + Chunk("AUTH", "A")));
  EXPECT_FALSE(Load(Header(0, 80, 44).substr(0, 39)));
  ExpectCleared();
  EXPECT_FALSE(Vqf.Load(Dir / "none.vqf"));
  ExpectCleared();
  EXPECT_FALSE(Vqf.Load(Dir.Path()));
  ExpectCleared();
  std::string lower = Header(0, 80, 44) + Chunk("NAME", "x");
  lower.replace(0, 4, "twin");
  EXPECT_TRUE(Load(lower));
  ExpectCleared();
}

TEST_F(TwinVQTest, HeaderAloneGivesPropertiesAndNoTexts) {
  ASSERT_TRUE(Load(Header(1, 96, 22)));
  EXPECT_TRUE(Vqf.Found);
  EXPECT_EQ(Vqf.ChannelMode, 2);
  EXPECT_EQ(Vqf.BitRate, 96);
  EXPECT_EQ(Vqf.SampleRate, 22050);
  EXPECT_EQ(Vqf.FileSize, 40);
  EXPECT_EQ(Texts(), "");
}

struct THeaderCase {
  uint32_t Channels, BitRate, RateCode;
  uint8_t ChannelMode, StoredBitRate;
  uint16_t SampleRate;
};

class TwinVQHeaderTest : public TwinVQTest, public ::testing::WithParamInterface<THeaderCase> {};

TEST_P(TwinVQHeaderTest, MapsHeaderValues) {
  const auto& c = GetParam();
  ASSERT_TRUE(Load(Header(c.Channels, c.BitRate, c.RateCode)));
  EXPECT_EQ(Vqf.ChannelMode, c.ChannelMode);
  EXPECT_EQ(Vqf.BitRate, c.StoredBitRate);
  EXPECT_EQ(Vqf.SampleRate, c.SampleRate);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TwinVQHeaderTest,
    ::testing::Values(THeaderCase{0, 80, 11, 1, 80, 11025}, THeaderCase{1, 80, 22, 2, 80, 22050},
                      THeaderCase{2, 80, 44, 0, 80, 44100}, THeaderCase{0, 320, 8, 1, 64, 8000},
                      THeaderCase{0, 48, 48, 1, 48, 48000},
                      THeaderCase{0, 48, 66, 1, 48, 464},  // 66000 cut to 16 bits
                      THeaderCase{0, 48, 0, 1, 48, 0},
                      // Only the last two bytes of each number count.
                      THeaderCase{0x00FF0001, 0x12340050, 0xABCD002C, 2, 80, 44100}));

TEST_F(TwinVQTest, DurationUsesTheFullBitRateAndSurvivesZero) {
  const std::string audio = Chunk("DATA", "") + std::string(100000 - 8, '\0');
  ASSERT_TRUE(Load(Header(0, 80, 44, 40 - 20) + audio));  // size - header size - 20 = 100000
  EXPECT_DOUBLE_EQ(Vqf.Duration, 10.0);
  ASSERT_TRUE(Load(Header(0, 0x140, 44, 40 - 20) + audio));  // 320: BitRate 64, time from 320
  EXPECT_DOUBLE_EQ(Vqf.Duration, 2.5);
  // A header size beyond the file gives the absolute value.
  ASSERT_TRUE(Load(Header(0, 8, 44, 40 - 20 + 1000)));
  EXPECT_DOUBLE_EQ(Vqf.Duration, 1.0);
  // No playing time without a bit rate, but everything else is read.
  ASSERT_TRUE(Load(Header(0, 0, 44) + Chunk("NAME", "Song")));
  EXPECT_TRUE(Vqf.Found);
  EXPECT_EQ(Vqf.Duration, 0.0);
  EXPECT_EQ(Vqf.Title, "Song");
}

TEST_F(TwinVQTest, ChunkTextsAreTakenExactlyUpToData) {
  const std::string name("Ti\0tle ", 7);
  ASSERT_TRUE(Load(Header(0, 80, 44) + Chunk("NAME", name) + Chunk("XTRA", "skipped") +
                   Chunk("AUTH", " Author") + Chunk("(c) ", "Rights") + Chunk("FILE", "a.wav") +
                   Chunk("AUTH", "Later Author") + Chunk("DATA", "") + Chunk("COMT", "unread")));
  EXPECT_EQ(Vqf.Title, name);
  EXPECT_EQ(Vqf.Author, "Later Author");
  EXPECT_EQ(Vqf.RightsNotice, "Rights");
  EXPECT_EQ(Vqf.SourceFile, "a.wav");
  EXPECT_EQ(Vqf.Comment, "");
}

TEST_F(TwinVQTest, IDsMatchExactlyAndAControlByteEndsTheWalk) {
  ASSERT_TRUE(Load(Header(0, 80, 44) + Chunk("(c)x", "no") + Chunk("name", "no") +
                   Chunk("COMT", "yes") + Chunk(std::string("\0AME", 4), "") +
                   Chunk("NAME", "unread")));
  EXPECT_EQ(Vqf.RightsNotice, "");
  EXPECT_EQ(Vqf.Comment, "yes");
  EXPECT_EQ(Vqf.Title, "");
}

// The walk reads (size mod 250) bytes and does not seek over the rest.
TEST_F(TwinVQTest, LongChunksAreReadModulo250FromWhereTheWalkStands) {
  ASSERT_TRUE(Load(Header(0, 80, 44) + Chunk("NAME", std::string(250, 'n')) + "ignored" +
                   Chunk("AUTH", "after 250")));
  EXPECT_EQ(Vqf.Title, "");
  // A chunk over 250 bytes: its own data is walked as the next chunks.
  std::string comment(300, 'c');
  comment.replace(50, 10, Chunk("NAME", "in"));  // where the walk stands after 8 + 50 bytes
  ASSERT_TRUE(Load(Header(0, 80, 44) + Chunk("COMT", comment)));
  EXPECT_EQ(Vqf.Comment, comment.substr(0, 50));
  EXPECT_EQ(Vqf.Title, "in");
}

TEST_F(TwinVQTest, ATruncatedChunkKeepsTheBytesThatWereThere) {
  const std::string full = Header(0, 80, 44) + Chunk("AUTH", "Author") + Chunk("NAME", "Title");
  ASSERT_TRUE(Load(full.substr(0, full.size() - 2)));
  EXPECT_EQ(Vqf.Author, "Author");
  EXPECT_EQ(Vqf.Title, "Tit");
  ASSERT_TRUE(Load(full.substr(0, full.size() - 9)));  // half a chunk header
  EXPECT_EQ(Vqf.Author, "Author");
  EXPECT_EQ(Vqf.Title, "");
}

TEST(TwinVQSample, ReadsARealFileWithoutTextChunks) {
  const std::string path = std::string(TUNARO_SAMPLES) + "/vqf/vavi-test-first256k.vqf";
  TTwinVQ vqf;
  ASSERT_TRUE(vqf.Load(path));
  EXPECT_TRUE(vqf.Found);
  EXPECT_EQ(vqf.ChannelMode, 2);
  EXPECT_EQ(vqf.BitRate, 96);
  EXPECT_EQ(vqf.SampleRate, 44100);
  EXPECT_EQ(vqf.FileSize, 262144);
  EXPECT_DOUBLE_EQ(vqf.Duration, (262144 - 24 - 20) / 125.0 / 96);
  EXPECT_EQ(vqf.Title + vqf.Comment + vqf.Author + vqf.RightsNotice + vqf.SourceFile, "");
}

TEST(TwinVQFuzz, TruncatedAndScrambledFilesEndQuietly) {
  TTempDir dir;
  const std::string whole = Header(1, 80, 44) + Chunk("NAME", "Title") + Chunk("AUTH", "Author") +
                            Chunk("COMT", std::string(300, 'c')) + Chunk("DATA", "") +
                            std::string(64, 'd');
  TTwinVQ vqf;
  for (size_t n = 0; n <= whole.size(); ++n) vqf.Load(dir.Write("cut.vqf", whole.substr(0, n)));
  std::mt19937 random(3);
  for (int round = 0; round < 200; ++round) {
    std::string bytes = whole;
    for (int k = 0; k < 4; ++k)
      bytes[12 + random() % (bytes.size() - 12)] = static_cast<char>(random());
    ASSERT_TRUE(vqf.Load(dir.Write("scrambled.vqf", bytes)));
    EXPECT_LT(vqf.Title.size() + vqf.Author.size() + vqf.Comment.size(), 3 * 250u);
  }
}

}  // namespace
}  // namespace tunaro::tags
