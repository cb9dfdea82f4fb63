#include "tags/id3v2.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::TTempDir;
using namespace std::string_literals;

// A 10-byte tag header: "ID3", version, revision 0, flags 0, then the four size bytes as given.
std::string Header(uint8_t version, uint8_t s0, uint8_t s1, uint8_t s2, uint8_t s3) {
  return "ID3"s + char(version) + '\0' + '\0' + char(s0) + char(s1) + char(s2) + char(s3);
}

// A tag header whose size covers `body` (7 bits per byte), followed by the body.
std::string TagWith(const std::string& body, uint8_t version = 3) {
  const size_t n = body.size();
  return Header(version, (n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F) + body;
}

// A frame header (ID, 32-bit big-endian size, two flag bytes) followed by the data.
std::string Frame(const std::string& id, const std::string& data, uint32_t size) {
  return id + char(size >> 24) + char(size >> 16) + char(size >> 8) + char(size) + "\0\0"s + data;
}
std::string Frame(const std::string& id, const std::string& data) {
  return Frame(id, data, static_cast<uint32_t>(data.size()));
}
// A text frame with the Latin-1 encoding byte.
std::string Text(const std::string& id, const std::string& text) {
  return Frame(id, '\0' + text);
}

class ID3v2Test : public ::testing::Test {
 protected:
  bool LoadBytes(const std::string& bytes, const std::string& audio = std::string(64, '\xFF')) {
    return Tag.Load(Dir.Write("t.mp3", bytes + audio));
  }
  void ExpectNoTexts() {
    EXPECT_EQ(Tag.Title, "");
    EXPECT_EQ(Tag.Artist, "");
    EXPECT_EQ(Tag.Album, "");
    EXPECT_EQ(Tag.Year, "");
    EXPECT_EQ(Tag.Genre, "");
    EXPECT_EQ(Tag.Comment, "");
    EXPECT_EQ(Tag.Track, 0);
  }
  TTempDir Dir;
  TID3v2 Tag;
};

TEST_F(ID3v2Test, LoadFailsOnlyBelowTenBytes) {
  EXPECT_FALSE(Tag.Load(Dir / "none.mp3"));
  EXPECT_FALSE(Tag.Load(Dir.Path()));
  EXPECT_FALSE(Tag.Load(Dir.Write("nine.mp3", Header(3, 0, 0, 0, 0).substr(0, 9))));
  EXPECT_FALSE(Tag.Found);
  EXPECT_TRUE(LoadBytes("id3\x03"s + std::string(6, '\0')));  // the magic is case-sensitive
  EXPECT_FALSE(Tag.Found);
  // A bare header: the walk stops at once, its position being the tag size.
  EXPECT_TRUE(Tag.Load(Dir.Write("ten.mp3", Header(3, 0, 0, 0, 0))));
  EXPECT_TRUE(Tag.Found);
  EXPECT_EQ(Tag.MajorVersion, 3);
  EXPECT_EQ(Tag.TagSize, 10);
  ExpectNoTexts();
}

TEST_F(ID3v2Test, SizeBytesAreAddedWholeAndCheckedAgainstTheFile) {
  const std::string body = Text("TIT2", "Song");
  ASSERT_TRUE(LoadBytes(Header(3, 0, 0, 2, 1) + body, std::string(300, '\xFF')));
  EXPECT_EQ(Tag.TagSize, 267);
  EXPECT_EQ(Tag.Title, "Song");
  // The same tag in a 200-byte file: the size runs past the end, nothing is read.
  ASSERT_TRUE(LoadBytes(Header(3, 0, 0, 2, 1) + body, std::string(190 - body.size(), '\xFF')));
  EXPECT_TRUE(Tag.Found);
  EXPECT_EQ(Tag.TagSize, 0);
  ExpectNoTexts();
  // The top bit of a size byte is not masked off: 0x80 counts 128.
  ASSERT_TRUE(LoadBytes(Header(3, 0, 0, 0, 0x80), std::string(200, '\xFF')));
  EXPECT_EQ(Tag.TagSize, 138);
}

TEST_F(ID3v2Test, ReadsTheSevenFrames) {
  ASSERT_TRUE(LoadBytes(
      TagWith("" + Text("TIT2", "Song") + Text("TPE1", "Artist") + Text("TALB", "Album") +
              Text("TRCK", "5/12") + Text("TYER", "2002") + Text("TCON", "(17)Rock") +
              Text("TXXX", "other") + Frame("COMM", "\0eng\0Nice"s) + std::string(20, '\0'))));
  EXPECT_TRUE(Tag.Found);
  EXPECT_EQ(Tag.Title, "Song");
  EXPECT_EQ(Tag.Artist, "Artist");
  EXPECT_EQ(Tag.Album, "Album");
  EXPECT_EQ(Tag.Track, 5);
  EXPECT_EQ(Tag.Year, "2002");
  EXPECT_EQ(Tag.Genre, "Rock");
  EXPECT_EQ(Tag.Comment, "Nice");
}

TEST_F(ID3v2Test, TextsAreTrimmedButNotDecoded) {
  ASSERT_TRUE(LoadBytes(TagWith(Frame("TIT2", "\0Song\0  "s) + Frame("TPE1", "\0A\0B"s) +
                                Frame("COMM", "\0engDesc\0Nice"s) + Frame("TALB", "\0a"s) +
                                Frame("TALB",
                                      "\x01\xFF\xFE"
                                      "b\0\0\0"s))));
  EXPECT_EQ(Tag.Title, "Song");
  EXPECT_EQ(Tag.Artist, "A\0B"s);
  EXPECT_EQ(Tag.Comment, "Desc\0Nice"s);  // the description is not skipped
  // A later frame replaces an earlier one; UTF-16 keeps its byte-order mark and zero bytes.
  EXPECT_EQ(Tag.Album,
            "\xFF\xFE"
            "b"s);
}

// Each frame yields (size mod 250) bytes of data.
struct TSizeCase {
  size_t Size;
  size_t TitleLength;
};
class ID3v2FrameSizeTest : public ID3v2Test, public ::testing::WithParamInterface<TSizeCase> {};

TEST_P(ID3v2FrameSizeTest, ReadsSizeMod250Bytes) {
  std::string data(GetParam().Size, 'x');
  data[0] = '\0';
  ASSERT_TRUE(LoadBytes(TagWith(Frame("TIT2", data) + Text("TPE1", "Next"))));
  EXPECT_EQ(Tag.Title, std::string(GetParam().TitleLength, 'x'));
  EXPECT_EQ(Tag.Artist, "Next");  // the walk goes on after the full frame
}

INSTANTIATE_TEST_SUITE_P(Rule, ID3v2FrameSizeTest,
                         ::testing::Values(TSizeCase{249, 248}, TSizeCase{250, 0},
                                           TSizeCase{260, 9}, TSizeCase{300, 49},
                                           TSizeCase{501, 0}));

TEST_F(ID3v2Test, OnlyVersion3HasItsFramesRead) {
  for (uint8_t version : {2, 4, 5}) {
    ASSERT_TRUE(LoadBytes(TagWith(Text("TIT2", "Song"), version)));
    EXPECT_TRUE(Tag.Found);
    EXPECT_EQ(Tag.MajorVersion, version);
    EXPECT_GT(Tag.TagSize, 10);
    ExpectNoTexts();
  }
}

TEST_F(ID3v2Test, WalkEndsAtAnythingThatIsNotAFrame) {
  // Padding, a lower-case ID, and an extended header (its size bytes come first).
  for (const std::string& stop :
       {std::string(10, '\0'), Text("tit2", "x"), "\0\0\0\x06\0\0\0\0\0\0"s}) {
    ASSERT_TRUE(LoadBytes(TagWith(Text("TPE1", "Before") + stop + Text("TIT2", "After"))));
    EXPECT_EQ(Tag.Artist, "Before");
    EXPECT_EQ(Tag.Title, "");
  }
}

TEST_F(ID3v2Test, DamagedFrameListKeepsWhatCameBefore) {
  // A size with the top bit set ends the walk; nothing of it is read.
  ASSERT_TRUE(LoadBytes(TagWith(Text("TPE1", "Before") + Frame("TIT2", "\0Big"s, 0xFFFFFFFF) +
                                Text("TALB", "After"))));
  EXPECT_EQ(Tag.Artist, "Before");
  EXPECT_EQ(Tag.Title, "");
  EXPECT_EQ(Tag.Album, "");
  // A size just under 2^31 ((size mod 250) = 5) points far past the end: the walk stops.
  ASSERT_TRUE(LoadBytes(TagWith(Frame("TIT2", "\0Song"s, 0x7FFFFF71) + Text("TALB", "After"))));
  EXPECT_EQ(Tag.Title, "Song");
  EXPECT_EQ(Tag.Album, "");
  // Frame data cut off by the end of the file: that frame is not taken.
  ASSERT_TRUE(Tag.Load(
      Dir.Write("cut.mp3", TagWith(Text("TPE1", "Before") + Frame("TIT2", "\0Song"s, 20)))));
  EXPECT_EQ(Tag.Artist, "Before");
  EXPECT_EQ(Tag.Title, "");
}

TEST_F(ID3v2Test, GenreDropsNumericReferencesAndTrackTakesTheNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"(17)Rock", "Rock"},     {"(17)", ""},        {"Rock", "Rock"},
      {"(17)(18)Rock", "Rock"}, {"Rock (live)", ""}, {"(17) Rock", " Rock"},
      {"  (17)Rock  ", "Rock"}};
  for (const auto& [text, genre] : cases) {
    ASSERT_TRUE(LoadBytes(TagWith(Text("TCON", text))));
    EXPECT_EQ(Tag.Genre, genre) << text;
  }
  const std::pair<const char*, uint8_t> tracks[] = {
      {"5/12", 5}, {" 07 ", 7}, {"A1", 0}, {"300", 44}};
  for (const auto& [text, track] : tracks) {
    ASSERT_TRUE(LoadBytes(TagWith(Text("TRCK", text))));
    EXPECT_EQ(Tag.Track, track) << text;
  }
}

// Files written by id3v2 (id3lib), mid3v2 and mutagen.
TEST(ID3v2RealFiles, ReadsTagsOfOtherTools) {
  const std::string dir = TUNARO_TEST_DATA "/mp3-ogg-wma/";
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(dir + "v23-only.mp3"));
  EXPECT_EQ(tag.MajorVersion, 3);
  EXPECT_EQ(tag.Title, "Some Title");
  EXPECT_EQ(tag.Artist, "Some Artist");
  EXPECT_EQ(tag.Album, "Some Album");
  EXPECT_EQ(tag.Year, "2002");
  EXPECT_EQ(tag.Track, 5);
  EXPECT_EQ(tag.Genre, "");  // id3lib writes "(17)" alone
  EXPECT_EQ(tag.Comment, "Nice");

  ASSERT_TRUE(tag.Load(dir + "v24-only.mp3"));
  EXPECT_TRUE(tag.Found);
  EXPECT_EQ(tag.MajorVersion, 4);
  EXPECT_EQ(tag.Title, "");

  ASSERT_TRUE(tag.Load(dir + "v23-utf16.mp3"));
  EXPECT_EQ(tag.Title,
            "\xFF\xFE"
            "A\0b"s);
  EXPECT_EQ(tag.Artist, "Latin Artist");
  EXPECT_EQ(tag.Track, 7);
}

TEST(ID3v2RealFiles, SamplesFromPublicSuites) {
  const std::string dir = TUNARO_SAMPLES "/mp3/";
  if (!std::filesystem::exists(dir)) GTEST_SKIP() << "no samples at " << dir;
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(dir + "mm-04-Strawberry.mp3"));
  EXPECT_EQ(tag.Title, "Strawberry");
  EXPECT_EQ(tag.Artist, "Union Youth");
  EXPECT_EQ(tag.Album, "The Royal Gene");
  EXPECT_EQ(tag.Track, 4);
  EXPECT_EQ(tag.Genre, "Alternative");
  // A 538-byte COMM yields 38 bytes: encoding, language, description, zero, text.
  ASSERT_TRUE(tag.Load(dir + "hachoir-08lechat_hq_fr.mp3"));
  EXPECT_EQ(tag.Comment, "Informations techniques\0INFOS TECH"s);
  // Two TPE1 frames: the second wins.
  ASSERT_TRUE(tag.Load(dir + "mutagen-silence-44-s.mp3"));
  EXPECT_EQ(tag.Artist, "jzig");
  // The tag size runs past the end of the 512-byte file.
  ASSERT_TRUE(tag.Load(dir + "taglib-w000.mp3"));
  EXPECT_TRUE(tag.Found);
  EXPECT_EQ(tag.TagSize, 0);
  EXPECT_FALSE(tag.Load(dir + "mutagen-emptyfile.mp3"));
}

// Cut and scrambled copies of real tags: every Load ends, quietly, within its buffers.
TEST(ID3v2Fuzz, TruncatedAndScrambledTagsEndQuietly) {
  TTempDir dir;
  const std::string real = test::ReadFile(TUNARO_TEST_DATA "/mp3-ogg-wma/v23-only.mp3");
  ASSERT_GT(real.size(), 300u);
  TID3v2 tag;
  for (size_t n = 0; n <= 300; ++n) tag.Load(dir.Write("cut.mp3", real.substr(0, n)));
  std::mt19937 random(7);
  for (int round = 0; round < 150; ++round) {
    std::string bytes = real.substr(0, 400);
    for (int k = 0; k < 8; ++k) bytes[10 + random() % 200] = static_cast<char>(random());
    if (round % 3 == 0) bytes[6] = bytes[7] = bytes[8] = bytes[9] = '\xFF';  // huge tag size
    const bool loaded = tag.Load(dir.Write("scrambled.mp3", bytes));
    EXPECT_TRUE(loaded);
    EXPECT_LE(tag.Title.size(), 250u);
  }
}

}  // namespace
}  // namespace tunaro::tags
