#include "tags/realmedia.h"

#include <gtest/gtest.h>

#include <random>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::TTempDir;

std::string BE16(uint16_t v) {
  return {static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string BE32(uint32_t v) {
  return BE16(static_cast<uint16_t>(v >> 16)) + BE16(v & 0xFFFF);
}

// A chunk whose size counts its 8 header bytes.
std::string Chunk(std::string_view id, std::string_view body) {
  return std::string(id) + BE32(static_cast<uint32_t>(8 + body.size())) + std::string(body);
}

std::string Cont(std::string_view title, std::string_view artist) {
  return Chunk("CONT", BE16(0)  // version
                           + BE16(static_cast<uint16_t>(title.size())) + std::string(title) +
                           BE16(static_cast<uint16_t>(artist.size())) + std::string(artist) +
                           BE16(0) + BE16(0));  // copyright, comment
}

const std::string kRmf = Chunk(".RMF", BE32(0) + BE32(0) + BE16(0));
// Something after the content chunk: its read runs 10 bytes past the chunk's end.
const std::string kData = Chunk("DATA", std::string(16, '\0'));

class RealMediaTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return Rm.Load(Dir.Write("t.rm", bytes)); }
  void ExpectCleared() {
    EXPECT_FALSE(Rm.Found);
    EXPECT_EQ(Rm.Title, "");
    EXPECT_EQ(Rm.Artist, "");
  }
  TTempDir Dir;
  TRealMedia Rm;
};

TEST_F(RealMediaTest, WalksTheChainToTheContentChunk) {
  const std::string title("Ti\0tle", 6);
  ASSERT_TRUE(Load(kRmf + Chunk("PROP", std::string(42, 'p')) + Cont(title, "Artist") + kData));
  EXPECT_TRUE(Rm.Found);
  EXPECT_EQ(Rm.Title, title);
  EXPECT_EQ(Rm.Artist, "Artist");
  ASSERT_TRUE(Load(kRmf + Cont("", "Only Artist") + kData));  // title length 0
  EXPECT_EQ(Rm.Title, "");
  EXPECT_EQ(Rm.Artist, "Only Artist");
  ASSERT_TRUE(Load(kRmf + Cont("T", "A") + "0123456789"));  // exactly the 10 bytes needed
  EXPECT_EQ(Rm.Title, "T");
}

TEST_F(RealMediaTest, ChainsWithoutAContentChunkFail) {
  const struct {
    const char* What;
    std::string Bytes;
  } cases[] = {
      {"empty file", ""},
      {"RAM playlist", "rtsp://media.example.com/a.rm\n"},
      {"lower-case id", kRmf + Chunk("cont", "") + kData + kData},
      {"chain past the end", kRmf + "PROP" + BE32(4096) + std::string(40, 'p') + Cont("T", "A")},
      {"half a chunk header", kRmf + "CON"},
      {"size 0 would loop", kRmf + "PROP" + BE32(0) + std::string(40, 'p')},
      // 32-bit wrap back to offset 0, the .RMF chunk: the position must only grow.
      {"size wrapping back", kRmf + "PROP" + BE32(0xFFFFFFEE) + Cont("T", "A") + kData},
      {"position beyond 31 bits", kRmf + "PROP" + BE32(0x7FFFFFFF) + Cont("T", "A") + kData},
      {"content chunk last, under 10 bytes after it", kRmf + Cont("T", "A") + "123456789"},
      {"content size beyond the file",
       kRmf + "CONT" + BE32(0xFFFFFFF0) + BE16(0) + BE16(1) + "T" + BE16(1) + "A" + kData},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(kRmf + Cont("Old", "Old") + kData)) << c.What;
    EXPECT_FALSE(Load(c.Bytes)) << c.What;
    ExpectCleared();
  }
  EXPECT_FALSE(Rm.Load(Dir / "none.rm"));
  ExpectCleared();
}

TEST_F(RealMediaTest, LengthsPastTheBytesReadAreCutThere) {
  // S = 14: the read takes the 14 bytes from the title length on.
  const std::string body = BE16(0) + BE16(200) + "Long title";
  ASSERT_TRUE(Load(kRmf + "CONT" + BE32(14) + body + "0123456789"));
  EXPECT_TRUE(Rm.Found);
  EXPECT_EQ(Rm.Title, "Long title01");
  EXPECT_EQ(Rm.Artist, "");
  // A chunk too small to hold even the title length gives empty texts.
  ASSERT_TRUE(Load(kRmf + "CONT" + BE32(1) + std::string(20, 'x')));
  EXPECT_TRUE(Rm.Found);
  EXPECT_EQ(Rm.Title + Rm.Artist, "");
}

TEST(RealMediaFiles, RealFiles) {
  TRealMedia rm;
  ASSERT_TRUE(rm.Load(std::string(TUNARO_TEST_DATA) + "/vqf-ape-mpc-rm/ffmpeg-title-author.rm"));
  EXPECT_EQ(rm.Title, "Night Train");
  EXPECT_EQ(rm.Artist, "The Walkers");

  const std::string samples = std::string(TUNARO_SAMPLES) + "/rm/";
  ASSERT_TRUE(rm.Load(samples + "exiftool-Real.rm"));  // the fifth chunk, after two MDPR
  EXPECT_EQ(rm.Title, "A title");
  EXPECT_EQ(rm.Artist, "Phil Harvey");
  ASSERT_TRUE(rm.Load(samples + "hachoir-firstrun.rm"));
  EXPECT_EQ(rm.Title + rm.Artist, "");
  EXPECT_FALSE(rm.Load(samples + "exiftool-Real.ra"));  // bare RealAudio: no chunk chain
  EXPECT_FALSE(rm.Load(samples + "exiftool-Real.ram"));
}

TEST(RealMediaFuzz, TruncatedAndScrambledFilesEndQuietly) {
  TTempDir dir;
  const std::string real =
      test::ReadFile(TUNARO_TEST_DATA "/vqf-ape-mpc-rm/ffmpeg-title-author.rm");
  ASSERT_GT(real.size(), 200u);
  TRealMedia rm;
  for (size_t n = 0; n <= real.size(); ++n) rm.Load(dir.Write("cut.rm", real.substr(0, n)));
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::string bytes = real;
    for (int k = 0; k < 4; ++k) bytes[random() % 160] = static_cast<char>(random());
    rm.Load(dir.Write("scrambled.rm", bytes));
    EXPECT_LE(rm.Title.size() + rm.Artist.size(), real.size());
  }
}

}  // namespace
}  // namespace tunaro::tags
