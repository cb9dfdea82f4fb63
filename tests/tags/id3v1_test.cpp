#include "tags/id3v1.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "tags/file_reader.h"

namespace tunaro::tags {
namespace {

using test::ID3v1Block;
using test::TTempDir;

class ID3v1Test : public ::testing::Test {
 protected:
  // Loads a file made of some audio bytes and the given last bytes.
  bool LoadTail(const std::string& tail, size_t audio = 64) {
    return Tag.Load(Dir.Write("t.mp3", std::string(audio, 'x') + tail));
  }
  void ExpectCleared() {
    EXPECT_FALSE(Tag.Found);
    EXPECT_EQ(Tag.VersionCode, 1);
    EXPECT_EQ(Tag.Title, "");
    EXPECT_EQ(Tag.Artist, "");
    EXPECT_EQ(Tag.Comment, "");
    EXPECT_EQ(Tag.Track, 0);
    EXPECT_EQ(Tag.GenreIndex, 255);
  }
  TTempDir Dir;
  TID3v1 Tag;
};

TEST_F(ID3v1Test, ReadsAllFieldsOfVersion11) {
  ASSERT_TRUE(LoadTail(ID3v1Block("Song", "Artist", "Album", "2002", "Nice", 7, 17)));
  EXPECT_TRUE(Tag.Found);
  EXPECT_EQ(Tag.VersionCode, 2);
  EXPECT_EQ(Tag.Title, "Song");
  EXPECT_EQ(Tag.Artist, "Artist");
  EXPECT_EQ(Tag.Album, "Album");
  EXPECT_EQ(Tag.Year, "2002");
  EXPECT_EQ(Tag.Comment, "Nice");
  EXPECT_EQ(Tag.Track, 7);
  EXPECT_EQ(Tag.GenreIndex, 17);
}

TEST_F(ID3v1Test, ExactlyOneTagBlockIsEnoughAndOneByteLessFails) {
  EXPECT_TRUE(Tag.Load(Dir.Write("a.mp3", ID3v1Block("T", "A"))));
  EXPECT_TRUE(Tag.Found);
  EXPECT_FALSE(Tag.Load(Dir.Write("b.mp3", ID3v1Block("T", "A").substr(1))));
  ExpectCleared();
}

TEST_F(ID3v1Test, MissingFileAndFolderFailQuietly) {
  EXPECT_FALSE(Tag.Load(Dir / "none.mp3"));
  ExpectCleared();
  EXPECT_FALSE(Tag.Load(Dir.Path()));
  ExpectCleared();
}

// An open file serves several readers; a file not open or too short clears the tag.
TEST_F(ID3v1Test, ReadsFromAnOpenFile) {
  TReadOnlyFile file;
  EXPECT_FALSE(Tag.Load(file));
  ASSERT_TRUE(file.Open(Dir.Write("a.mp3", "x" + ID3v1Block("T", "A"))));
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(Tag.Load(file));
    EXPECT_EQ(Tag.Title, "T");
  }
  ASSERT_TRUE(file.Open(Dir.Write("b.mp3", ID3v1Block("T", "A").substr(1))));
  EXPECT_FALSE(Tag.Load(file));
  ExpectCleared();
}

TEST_F(ID3v1Test, MagicMustStandAtBlockStartInCapitals) {
  std::string lower = ID3v1Block("T", "A");
  lower.replace(0, 3, "tag");
  EXPECT_TRUE(LoadTail(lower));
  ExpectCleared();
  std::string shifted = ID3v1Block("T", "A");
  shifted = "x" + shifted.substr(0, 127);  // "TAG" one byte into the block
  EXPECT_TRUE(LoadTail(shifted));
  ExpectCleared();
}

// The version rule on bytes 125 and 126.
struct TVersionCase {
  uint8_t Byte125, Byte126;
  uint8_t Version, Track;
  size_t CommentLength;
};

class ID3v1VersionTest : public ID3v1Test, public ::testing::WithParamInterface<TVersionCase> {};

TEST_P(ID3v1VersionTest, DecidesVersionTrackAndCommentWidth) {
  const auto& c = GetParam();
  std::string block = ID3v1Block("T", "A");
  block.replace(97, 28, std::string(28, 'c'));  // a comment filling its 28 bytes
  block[125] = static_cast<char>(c.Byte125);
  block[126] = static_cast<char>(c.Byte126);
  ASSERT_TRUE(LoadTail(block));
  EXPECT_EQ(Tag.VersionCode, c.Version);
  EXPECT_EQ(Tag.Track, c.Track);
  EXPECT_EQ(Tag.Comment.size(), c.CommentLength);
}

INSTANTIATE_TEST_SUITE_P(Rule, ID3v1VersionTest,
                         ::testing::Values(TVersionCase{0x00, 0x00, 1, 0, 28},  // trailing zeros go
                                           TVersionCase{0x00, 0x05, 2, 5, 28},
                                           TVersionCase{0x20, 0x41, 2, 65, 28},
                                           TVersionCase{0x20, 0x20, 1, 0, 28},  // spaces trimmed
                                           TVersionCase{0x41, 0x42, 1, 0, 30}));

TEST_F(ID3v1Test, CleaningKeepsLeadingBlanksAndInnerZeroBytes) {
  std::string block = ID3v1Block("", "");
  block.replace(3, 30, std::string(30, ' '));
  block.replace(33, 30, "  Two" + std::string(25, ' '));
  block.replace(63, 5, std::string("AB\0CD", 5));
  ASSERT_TRUE(LoadTail(block));
  EXPECT_EQ(Tag.Title, "");
  EXPECT_EQ(Tag.Artist, "  Two");
  EXPECT_EQ(Tag.Album, std::string("AB\0CD", 5));
}

TEST_F(ID3v1Test, GenreByteIsTakenWhole) {
  ASSERT_TRUE(LoadTail(ID3v1Block("T", "A", "", "", "", 0, 200)));
  EXPECT_EQ(Tag.GenreIndex, 200);
}

TEST_F(ID3v1Test, NothingSurvivesFromAnEarlierFile) {
  ASSERT_TRUE(LoadTail(ID3v1Block("Song", "Artist", "Album", "2002", "Nice", 7, 17)));
  ASSERT_TRUE(Tag.Load(Dir.Write("plain.mp3", std::string(300, 'x'))));
  ExpectCleared();
  EXPECT_EQ(Tag.Album, "");
  EXPECT_EQ(Tag.Year, "");
}

TEST(GenreNames, TableHasItsPublishedSpellings) {
  for (const char* name : kGenreNames) ASSERT_NE(name, nullptr);
  EXPECT_STREQ(kGenreNames[0], "Blues");
  EXPECT_STREQ(kGenreNames[67], "Psychadelic");
  EXPECT_STREQ(kGenreNames[79], "Hard Rock");
  EXPECT_STREQ(kGenreNames[80], "Folk");
  EXPECT_STREQ(kGenreNames[92], "Progessive Rock");
  EXPECT_STREQ(kGenreNames[144], "Trash Metal");
  EXPECT_STREQ(kGenreNames[147], "Synthpop");
}

}  // namespace
}  // namespace tunaro::tags
