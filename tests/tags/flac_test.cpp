#include "tags/flac.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/case_name.h"
#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::LE32;
using namespace std::string_literals;

// A metadata block: last-block flag and type, 24-bit big-endian length, data.
std::string Block(int type, const std::string& data, bool last = false,
                  size_t length = std::string::npos) {
  const size_t n = length == std::string::npos ? data.size() : length;
  return char((last ? 0x80 : 0) | type) + std::string{char(n >> 16), char(n >> 8), char(n)} + data;
}

// STREAMINFO of 44.1 kHz, 2 channels, 16 bits, 0x123456789 samples.
const std::string kInfo = std::string(10, '\0') +                // block and frame sizes
                          "\x0A\xC4\x42\xF1\x23\x45\x67\x89"s +  // rate, channels, bits, samples
                          std::string(16, '\0');                 // MD5

// A VORBIS_COMMENT block's data: vendor, count, entries.
std::string Comments(const std::vector<std::string>& entries, uint32_t count = ~0u) {
  std::string out = LE32(1) + "V" + LE32(count == ~0u ? uint32_t(entries.size()) : count);
  for (const auto& e : entries) out += LE32(uint32_t(e.size())) + e;
  return out;
}

// An ID3v2 tag of `size` bytes after its header, with the flags given.
std::string ID3v2(size_t size, char flags = 0) {
  return "ID3\x03\x00"s + flags + char(size >> 21 & 0x7F) + char(size >> 14 & 0x7F) +
         char(size >> 7 & 0x7F) + char(size & 0x7F) + std::string(size, 'i');
}

const std::string kFlac = "fLaC" + Block(0, kInfo);

struct TFlacCase {
  const char* What;
  std::string Bytes;
  bool Found;
  std::string Artist, Title;
};

class FlacLayoutTest : public ::testing::TestWithParam<TFlacCase> {};

TEST_P(FlacLayoutTest, ReadsTheCommentsWhereTheBlocksPutThem) {
  test::TTempDir dir;
  TFlac flac;
  ASSERT_TRUE(flac.Load(dir.Write("t.flac", GetParam().Bytes)));
  EXPECT_EQ(flac.Found, GetParam().Found);
  EXPECT_EQ(flac.Comments.Artist, GetParam().Artist);
  EXPECT_EQ(flac.Comments.Title, GetParam().Title);
  if (flac.Found) {
    EXPECT_EQ(flac.Info.SampleRate, 44100u);
    EXPECT_EQ(flac.Info.Channels, 2);
    EXPECT_EQ(flac.Info.BitsPerSample, 16);
    EXPECT_EQ(flac.Info.SampleCount, 0x123456789u);
  }
}

const std::string kTagged = kFlac + Block(4, Comments({"ARTIST=A", "TITLE=T"}), true);

INSTANTIATE_TEST_SUITE_P(
    Layouts, FlacLayoutTest,
    ::testing::Values(
        TFlacCase{"plain", kTagged, true, "A", "T"},
        TFlacCase{"after an ID3v2 tag", ID3v2(300) + kTagged, true, "A", "T"},
        // the flags announce a 10-byte footer after the tag
        TFlacCase{"after an ID3v2 tag with a footer",
                  ID3v2(20, 0x10) + "3DI" + std::string(7, 'f') + kTagged, true, "A", "T"},
        TFlacCase{"after two ID3v2 tags", ID3v2(5) + ID3v2(5000) + kTagged, true, "A", "T"},
        // a size byte with its top bit set is no ID3v2 size
        TFlacCase{"after a broken ID3v2 size", "ID3\x03\x00\x00\x00\x00\x80\x05xxxxx"s + kTagged,
                  false, "", ""},
        TFlacCase{"after padding and a big picture",
                  kFlac + Block(1, std::string(100, '\0')) + Block(6, std::string(70000, 'p')) +
                      Block(4, Comments({"ARTIST=A", "TITLE=T"}), true),
                  true, "A", "T"},
        TFlacCase{"after the last block",
                  kFlac.substr(0, 4) + Block(0, kInfo, true) + kTagged.substr(42), true, "", ""},
        // the count says more entries than the block holds: the next block is not read as one
        TFlacCase{"beyond its block",
                  kFlac + Block(4, Comments({"ARTIST=A"}, 2)) + Block(1, LE32(7) + "TITLE=T", true),
                  true, "A", ""},
        TFlacCase{"of a block longer than the file",
                  kFlac + Block(4, Comments({"ARTIST=A", "TITLE=T"}), true, 5000), true, "A", "T"},
        TFlacCase{
            "joined where a key repeats",
            kFlac + Block(4, Comments({"ARTIST= A ", "title=T", "Artist=B", "ARTIST="}), true),
            true, "A/B", "T"}),
    [](const auto& test) { return test::CaseName(test.param.What); });

TEST(Flac, JoinsValuesUpToItsBound) {
  test::TTempDir dir;
  std::vector<std::string> entries(2000, "ARTIST=0123456789");
  TFlac flac;
  ASSERT_TRUE(flac.Load(dir.Write("t.flac", kFlac + Block(4, Comments(entries), true))));
  EXPECT_GE(flac.Comments.Artist.size(), kCommentTextBytes);
  EXPECT_LT(flac.Comments.Artist.size(), kCommentTextBytes + 11);
}

}  // namespace
}  // namespace tunaro::tags
