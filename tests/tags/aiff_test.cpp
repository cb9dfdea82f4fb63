// The AIFF reader on small IFF files built here: big-endian sizes with pad bytes, the COMM
// chunk's 80-bit sample rate, text chunks and ID3 chunks.
#include "tags/aiff.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::ID3v2Tag;

std::string BE32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}
// A chunk: its ID, big-endian size and data, and a pad byte after data of odd size.
std::string Chunk(const std::string& id, const std::string& data) {
  return id + BE32(static_cast<uint32_t>(data.size())) + data + (data.size() % 2 ? "\x7F" : "");
}
std::string Form(const std::string& chunks, const std::string& type = "AIFF") {
  return "FORM" + BE32(static_cast<uint32_t>(chunks.size() + 4)) + type + chunks;
}
// A COMM chunk with the sample rate's ten bytes as given.
std::string Comm(const std::string& rate) {
  return Chunk("COMM", std::string("\0\2", 2)          // channels
                           + BE32(1000)                // sample frames
                           + std::string("\0\x18", 2)  // bits per sample
                           + rate);                    // 80-bit extended float
}
const std::string kSound = Chunk("SSND", std::string(4008, '\0'));

class AiffTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return Aiff.Load(Dir.Write("t.aiff", bytes)); }
  test::TTempDir Dir;
  TAiff Aiff;
};

TEST_F(AiffTest, ReadsCommAndTheTextChunksOverPadBytes) {
  const std::string rate44100("\x40\x0E\xAC\x44\0\0\0\0\0\0", 10);
  ASSERT_TRUE(
      Load(Form(Chunk("NAME", "Title") + Chunk("AUTH", std::string("Author\0\0", 8)) +
                    Chunk("ANNO", " one ") + Chunk("ANNO", "two") + Comm(rate44100) + kSound,
                "AIFC")));
  EXPECT_TRUE(Aiff.Compressed);
  EXPECT_EQ(Aiff.SampleRate, 44100u);
  EXPECT_EQ(Aiff.Name, "Title");
  EXPECT_EQ(Aiff.Author, "Author");
  EXPECT_EQ(Aiff.Annotation, "one/two");
  EXPECT_FALSE(Aiff.ID3v2->Found);
}

TEST_F(AiffTest, SampleRatesAndID3ChunksWhereverTheyStand) {
  const struct {
    const char* What;
    std::string Bytes;
    bool Found;
    uint32_t Rate;
    const char* Tag;
  } cases[] = {
      {"8 kHz, ID3 chunk last",
       Form(Comm(std::string("\x40\x0B\xFA\0\0\0\0\0\0\0", 10)) + kSound +
            Chunk("ID3 ", ID3v2Tag("Tag", "", 1))),
       true, 8000, "Tag"},
      {"id3 in lower case, first",
       Form(Chunk("id3 ", ID3v2Tag("Tag")) + Comm(std::string("\x40\x0E\xBB\x80\0\0\0\0\0\0", 10))),
       true, 48000, "Tag"},
      {"a negative rate", Form(Comm(std::string("\xC0\x0E\xAC\x44\0\0\0\0\0\0", 10))), true, 0, ""},
      {"a rate beyond 32 bits", Form(Comm(std::string("\x40\x3F\xAC\x44\0\0\0\0\0\0", 10))), true,
       0, ""},
      {"sound past the end", Form(Chunk("SSND", "").replace(4, 4, BE32(9999)) + Chunk("ID3 ", "")),
       true, 0, ""},
      {"a WAVE in a FORM", Form(Chunk("ID3 ", ID3v2Tag("Tag")), "WAVE"), false, 0, ""},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(c.Bytes)) << c.What;
    EXPECT_EQ(Aiff.Found, c.Found) << c.What;
    EXPECT_EQ(Aiff.SampleRate, c.Rate) << c.What;
    EXPECT_EQ(Aiff.ID3v2->Title, c.Tag) << c.What;
  }
}

}  // namespace
}  // namespace tunaro::tags
