// The WAV reader on small RIFF files built here: the layouts real files leave out (odd sizes
// and their pad bytes, RF64 sizes, entries and tags cut by their chunk).
#include "tags/wav.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::ID3v2Tag;
using test::LE16;
using test::LE32;

// A chunk: its ID, size and data, and a pad byte after data of odd size.
std::string Chunk(const std::string& id, const std::string& data) {
  return id + LE32(static_cast<uint32_t>(data.size())) + data + (data.size() % 2 ? "\x7F" : "");
}
// A chunk whose size says `size`, whatever its data holds.
std::string SizedChunk(const std::string& id, uint32_t size, const std::string& data) {
  return id + LE32(size) + data;
}
std::string Wave(const std::string& chunks, const std::string& form = "RIFF") {
  return form + LE32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks;
}
const std::string kFmt = Chunk("fmt ", LE16(1)             // PCM
                                           + LE16(2)       // channels
                                           + LE32(44100)   // sample rate
                                           + LE32(176400)  // bytes a second
                                           + LE16(4)       // block align
                                           + LE16(16));    // bits per sample
const std::string kData = Chunk("data", std::string(4000, '\x01'));

class WavTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return Wav.Load(Dir.Write("t.wav", bytes)); }
  test::TTempDir Dir;
  TWav Wav;
};

TEST_F(WavTest, ReadsTheInfoTextsOverOddSizesAndPadding) {
  const std::string info = "INFO" + Chunk("INAM", std::string("Title\0\0\0", 8))  // padded
                           + Chunk("IART", std::string(" Artist\0", 8))           // blanks
                           + Chunk("IPRD", std::string("Album\0", 6))             // odd: pad
                           + Chunk("ICRD", "2003-04-05")                          // a date
                           + Chunk("IPRT", "7")                                   // part
                           + Chunk("ITRK", " 5/12")                               // the track
                           + Chunk("ICMT", "a") + Chunk("ICMT", "b");             // two
  ASSERT_TRUE(Load(Wave(kFmt + Chunk("JUNK", "odd") + Chunk("LIST", info) + kData)));
  EXPECT_EQ(Wav.DataBytes, 4000u);
  EXPECT_EQ(Wav.Title, "Title");
  EXPECT_EQ(Wav.Artist, "Artist");
  EXPECT_EQ(Wav.Album, "Album");
  EXPECT_EQ(Wav.Date, "2003");
  EXPECT_EQ(Wav.Track, 5);  // ITRK before IPRT
  EXPECT_EQ(Wav.Comment, "a/b");
}

// Where the walk must find the INFO title and the ID3 chunk's title, and where it must stop.
TEST_F(WavTest, WalksTheChunksBySizeWithinTheFile) {
  const std::string info = Chunk("LIST", "INFO" + Chunk("INAM", "Info"));
  const std::string id3 = Chunk("id3 ", ID3v2Tag("Tag"));
  const std::string ds64 = Chunk("ds64", LE32(0) + LE32(0)           // RIFF size
                                             + LE32(4000) + LE32(0)  // data size
                                             + LE32(0) + LE32(0)     // samples
                                             + LE32(0));             // table entries
  const struct {
    const char* What;
    std::string Bytes;
    bool Found;
    const char* Info;
    const char* Tag;
  } cases[] = {
      {"INFO and id3 after the data", Wave(kFmt + kData + info + id3), true, "Info", "Tag"},
      {"ID3 in upper case", Wave(kFmt + Chunk("ID3 ", ID3v2Tag("Tag")) + kData), true, "", "Tag"},
      {"the first ID3 chunk", Wave(id3 + Chunk("ID3 ", ID3v2Tag("Other"))), true, "", "Tag"},
      {"RF64: the data size from ds64",
       Wave(ds64 + kFmt + SizedChunk("data", 0xFFFFFFFF, std::string(4000, '\0')) + id3, "RF64"),
       true, "", "Tag"},
      {"a tag longer than its chunk", Wave(kFmt + SizedChunk("id3 ", 20, ID3v2Tag("Tag"))), true,
       "", ""},
      {"an entry past its list keeps its part",
       Wave(Chunk("LIST", "INFO" + SizedChunk("INAM", 100, "Inf"))), true, "Inf", ""},
      {"a list of another type", Wave(Chunk("LIST", "adtl" + Chunk("INAM", "Info"))), true, "", ""},
      {"data past the end", Wave(kFmt + SizedChunk("data", 0x7FFFFFFF, "x") + id3), true, "", ""},
      {"a header cut short", Wave(info + "id3 " + LE16(4)), true, "Info", ""},
      {"an AVI", Wave(info).replace(8, 4, "AVI "), false, "", ""},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(c.Bytes)) << c.What;
    EXPECT_EQ(Wav.Found, c.Found) << c.What;
    EXPECT_EQ(Wav.Title, c.Info) << c.What;
    EXPECT_EQ(Wav.ID3v2->Title, c.Tag) << c.What;
  }
  EXPECT_FALSE(Load("RIFF" + LE32(4)));  // shorter than the RIFF header
}

}  // namespace
}  // namespace tunaro::tags
