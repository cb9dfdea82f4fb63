#include "tags/apev2.h"

#include <gtest/gtest.h>

#include <random>

#include "support/temp_dir.h"
#include "tags/file_reader.h"

namespace tunaro::tags {
namespace {

using test::APEItem;
using test::APETag;
using test::ID3v1Block;
using test::LE32;
using test::TTempDir;

const std::string kAudio(300, '\x5A');
const std::vector<std::string> kSong = {APEItem("Title", "Song"), APEItem("Artist", "Band")};

// A Lyrics3v2 block as it stands between the audio and an ID3v1 tag.
std::string Lyrics3v2(const std::string& lyrics) {
  const std::string body = "LYRICSBEGIN" + lyrics;
  char size[7];
  std::snprintf(size, sizeof size, "%06zu", body.size());
  return body + size + "LYRICS200";
}

class APEv2Test : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return Ape.Load(Dir.Write("t.mpc", bytes)); }
  TTempDir Dir;
  TAPEv2 Ape;
};

struct TPlaceCase {
  const char* What;
  std::string Bytes;
  bool Found;
  int32_t Version;
  int64_t Offset;
  uint32_t Size;
};

TEST_F(APEv2Test, FindsTheFooterWhereWritersPutIt) {
  const std::string v2 = APETag(kSong);  // 2 items of 8 + 6 + 4 and 8 + 7 + 4 bytes
  const std::string v2h = APETag(kSong, 2000, true);
  const std::string id3 = ID3v1Block("Other", "Other");
  const std::string noTag = "APETAGEX" + LE32(2000) + LE32(31) + LE32(0);
  const TPlaceCase cases[] = {
      {"at the end", kAudio + v2, true, 2000, 300, 69},
      {"alone", v2, true, 2000, 0, 69},
      {"with a header", kAudio + v2h, true, 2000, 300, 101},
      {"APEv1", kAudio + APETag(kSong, 1000), true, 1000, 300, 69},
      {"APEv1 ignores a header flag", kAudio + APETag(kSong, 1000, true), true, 1000, 332, 69},
      {"before ID3v1", kAudio + v2 + id3, true, 2000, 300, 69},
      {"before Lyrics3v2 and ID3v1", kAudio + v2 + Lyrics3v2("[00:01]la") + id3, true, 2000, 300,
       69},
      {"Lyrics3v2 without ID3v1 is not looked behind", kAudio + v2 + Lyrics3v2("la"), false, 0, 0,
       0},
      {"no tag", kAudio + id3, false, 0, 0, 0},
      {"footer cut short", kAudio + v2.substr(0, v2.size() - 1), false, 0, 0, 0},
      {"version 3000", kAudio + APETag(kSong, 3000), false, 0, 0, 0},
      {"size below a footer", kAudio + noTag + LE32(0) + std::string(8, '\0'), false, 0, 0, 0},
      {"size beyond the file",
       v2.substr(0, v2.size() - 20) + LE32(5000) + v2.substr(v2.size() - 16), false, 0, 0, 0},
      {"a header where the footer belongs", kAudio + v2h.substr(0, 32), false, 0, 0, 0},
      {"shorter than a footer", "APETAGEX", false, 0, 0, 0},
      {"empty", "", false, 0, 0, 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(c.Bytes)) << c.What;
    EXPECT_EQ(Ape.Found, c.Found) << c.What;
    EXPECT_EQ(Ape.Version, c.Version) << c.What;
    EXPECT_EQ(Ape.TagOffset, c.Offset) << c.What;
    EXPECT_EQ(Ape.TagSize, c.Size) << c.What;
    EXPECT_EQ(Ape.Title, c.Found ? "Song" : "") << c.What;
    EXPECT_EQ(Ape.Artist, c.Found ? "Band" : "") << c.What;
    EXPECT_EQ(Ape.ItemCount, c.Found ? 2u : 0u) << c.What;
  }
  EXPECT_FALSE(Ape.Load(Dir / "none.mpc"));
  TReadOnlyFile closed;
  EXPECT_FALSE(Ape.Load(closed));
}

struct TItemsCase {
  const char* What;
  std::vector<std::string> Items;
  uint32_t Version;
  std::string Title, Artist, Year;
  uint8_t Track;
};

TEST_F(APEv2Test, TakesTheFirstTextValueOfEachKey) {
  const std::string big(TAPEv2::kMaxTextBytes + 1, 'x');
  const TItemsCase cases[] = {
      {"keys in any case",
       {APEItem("TITLE", "T"), APEItem("artist", "A"), APEItem("yEaR", "1999"),
        APEItem("TRACK", "7")},
       2000,
       "T",
       "A",
       "1999",
       7},
      {"binary and external items skipped",
       {APEItem("Title", "\x89PNG", 2), APEItem("Artist", "http://x", 4), APEItem("Artist", "A", 6),
        APEItem("Title", "T"), APEItem("Artist", "B", 1)},
       2000,
       "T",
       "B",
       "",
       0},
      {"APEv1 has no item types", {APEItem("Title", "T", 2)}, 1000, "T", "", "", 0},
      {"several values joined",
       {APEItem("Artist", std::string("A\0B", 3))},
       2000,
       "",
       "A/B",
       "",
       0},
      {"the first item of a key wins",
       {APEItem("Title", "1"), APEItem("title", "2"), APEItem("Track", "3/12"),
        APEItem("Track", "4")},
       2000,
       "1",
       "",
       "",
       3},
      {"an empty first value still wins",
       {APEItem("Title", ""), APEItem("Title", "2")},
       2000,
       "",
       "",
       "",
       0},
      {"Date stands in for a missing Year",
       {APEItem("Date", "2001-02-03")},
       2000,
       "",
       "",
       "2001-02-03",
       0},
      {"Year before Date",
       {APEItem("Date", "2001"), APEItem("Year", "2002")},
       2000,
       "",
       "",
       "2002",
       0},
      {"an empty Year is not missing",
       {APEItem("Year", ""), APEItem("Date", "2001")},
       2000,
       "",
       "",
       "",
       0},
      {"trimmed", {APEItem("Title", " \tT \r\n"), APEItem("Track", " 07 ")}, 2000, "T", "", "", 7},
      {"exact UTF-8", {APEItem("Title", "東京 🌙 Café")}, 2000, "東京 🌙 Café", "", "", 0},
      {"ill-formed UTF-8 replaced",
       {APEItem("Title", "a\xE9z\xFF")},
       2000,
       "a\xEF\xBF\xBDz\xEF\xBF\xBD",
       "",
       "",
       0},
      {"APEv1 bytes as they stand", {APEItem("Title", "a\xE9z")}, 1000, "a\xE9z", "", "", 0},
      {"a text too long is skipped",
       {APEItem("Title", big), APEItem("Artist", "A")},
       2000,
       "",
       "A",
       "",
       0},
      {"other keys", {APEItem("Titles", "x"), APEItem("Tit", "y")}, 2000, "", "", "", 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(kAudio + APETag(c.Items, c.Version))) << c.What;
    EXPECT_TRUE(Ape.Found) << c.What;
    EXPECT_EQ(Ape.ItemCount, c.Items.size()) << c.What;
    EXPECT_EQ(Ape.Title, c.Title) << c.What;
    EXPECT_EQ(Ape.Artist, c.Artist) << c.What;
    EXPECT_EQ(Ape.Year, c.Year) << c.What;
    EXPECT_EQ(Ape.Track, c.Track) << c.What;
  }
}

TEST_F(APEv2Test, ReadsEveryField) {
  ASSERT_TRUE(Load(APETag({APEItem("Album", "Al"), APEItem("Comment", "C\0D"),
                           APEItem("Genre", "G"), APEItem("Album Artist", "AA"),
                           APEItem("Composer", "Co"), APEItem("Cover Art (Front)", "x", 2)},
                          2000, true)));
  EXPECT_EQ(Ape.Album, "Al");
  EXPECT_EQ(Ape.Comment, "C");
  EXPECT_EQ(Ape.Genre, "G");
  EXPECT_EQ(Ape.AlbumArtist, "AA");
  EXPECT_EQ(Ape.Composer, "Co");
  EXPECT_EQ(Ape.ItemCount, 6u);
  ASSERT_TRUE(Load(kAudio));  // a reused reader forgets the last file
  EXPECT_FALSE(Ape.Found);
  EXPECT_EQ(Ape.Album, "");
  EXPECT_EQ(Ape.Composer, "");
}

struct TDamageCase {
  const char* What;
  std::string Tag;
  uint32_t Items;
  std::string Title, Artist;
};

// Everything before the damage stands; nothing after it is read.
TEST_F(APEv2Test, DamagedItemsEndTheWalk) {
  const std::string title = APEItem("Title", "T");
  const std::string artist = APEItem("Artist", "A");
  const auto withItems = [](const std::string& raw, int64_t count) {
    // A tag whose item area is `raw`, as a writer would have framed it.
    std::string tag = APETag({raw}, 2000, false, count);
    return tag;
  };
  std::vector<std::string> many(3000, APEItem("X", ""));
  many.push_back(APEItem("Title", "late"));
  const TDamageCase cases[] = {
      {"a value beyond the items", withItems(title + LE32(99) + LE32(0) + "Artist" + '\0' + "A", 2),
       1, "T", ""},
      {"a key without its zero byte", withItems(title + LE32(1) + LE32(0) + "Artist", 2), 1, "T",
       ""},
      {"a key with a control byte",
       withItems(title + LE32(1) + LE32(0) + "Art\x01st" + '\0' + "A", 2), 1, "T", ""},
      {"an empty key", withItems(title + LE32(1) + LE32(0) + '\0' + "A" + artist, 3), 1, "T", ""},
      {"a key longer than 255",
       withItems(title + LE32(1) + LE32(0) + std::string(300, 'k') + '\0' + "A", 2), 1, "T", ""},
      {"an item header cut short", withItems(title + LE32(1) + "\0\0", 2), 1, "T", ""},
      {"more items counted than held", APETag({title, artist}, 2000, false, 50), 2, "T", "A"},
      {"fewer items counted than held", APETag({title, artist}, 2000, false, 1), 1, "T", ""},
      {"no items counted", APETag({title, artist}, 2000, false, 0), 0, "", ""},
      {"items beyond the limit", APETag(many, 2000, false, 0xFFFFFFFF), TAPEv2::kMaxItems, "", ""},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(kAudio + c.Tag)) << c.What;
    EXPECT_TRUE(Ape.Found) << c.What;
    EXPECT_EQ(Ape.ItemCount, c.Items) << c.What;
    EXPECT_EQ(Ape.Title, c.Title) << c.What;
    EXPECT_EQ(Ape.Artist, c.Artist) << c.What;
  }
}

// The size field frames the items: a size too small for them leaves the first ones outside.
TEST_F(APEv2Test, TheSizeFieldBoundsTheItems) {
  const std::string tag = APETag(kSong);
  for (uint32_t size = 32; size <= 80; ++size) {
    std::string bytes = kAudio + tag;
    const size_t footer = bytes.size() - 32;
    bytes.replace(footer + 12, 4, LE32(size));
    ASSERT_TRUE(Load(bytes)) << size;
    EXPECT_TRUE(Ape.Found) << size;
    // Items area now starts `size - 32` bytes before the footer, possibly in the audio.
    EXPECT_EQ(Ape.TagOffset, static_cast<int64_t>(footer + 32 - size)) << size;
    EXPECT_EQ(Ape.Title, size == 69 ? "Song" : "") << size;
    EXPECT_EQ(Ape.Artist, size == 69 || size == 51 ? "Band" : "") << size;
  }
}

TEST(APEv2Files, RealFiles) {
  const std::string data = std::string(TUNARO_TEST_DATA) + "/vqf-ape-mpc-rm/";
  struct {
    const char* Name;
    std::string Title, Artist, Album, Year, Genre;
    uint8_t Track;
  } cases[] = {
      {"mpcenc-sv8-apev2.mpc", "Café 🌙 夜", "宇多田ヒカル", "Ünïcode", "2026", "J-Pop", 5},
      {"mpcenc-sv8-apev2-id3v1.mpc", "Café 🌙 夜", "宇多田ヒカル", "Ünïcode", "2026", "J-Pop", 5},
      // Two artists, as two values of one item.
      {"jmac-399-apev2.ape", "东京の夜 🌙", "宇多田ヒカル/Björk", "Café del Mar – Été", "2026",
       "J-Pop", 4},
  };
  TAPEv2 ape;
  for (const auto& c : cases) {
    ASSERT_TRUE(ape.Load(data + c.Name)) << c.Name;
    EXPECT_TRUE(ape.Found) << c.Name;
    EXPECT_EQ(ape.Version, 2000) << c.Name;
    EXPECT_EQ(ape.Title, c.Title) << c.Name;
    EXPECT_EQ(ape.Artist, c.Artist) << c.Name;
    EXPECT_EQ(ape.Album, c.Album) << c.Name;
    EXPECT_EQ(ape.Year, c.Year) << c.Name;
    EXPECT_EQ(ape.Genre, c.Genre) << c.Name;
    EXPECT_EQ(ape.Track, c.Track) << c.Name;
  }
  ASSERT_TRUE(ape.Load(data + "mpcenc-sv8-id3v1.mpc"));
  EXPECT_FALSE(ape.Found);

  const std::string samples = std::string(TUNARO_SAMPLES) + "/";
  // A cover picture among the items, and keys of other writers around the known ones.
  ASSERT_TRUE(ape.Load(samples + "ape/exiftool-APE.ape"));
  EXPECT_EQ(ape.Title, "Men Machine Live");
  EXPECT_EQ(ape.Artist, "Kraftwerk");
  EXPECT_EQ(ape.Track, 4);
  ASSERT_TRUE(ape.Load(samples + "ape/mediafile-oldape.ape"));  // keys in capitals
  EXPECT_EQ(ape.Title, "full");
  EXPECT_EQ(ape.Composer, "the composer");
  ASSERT_TRUE(ape.Load(samples + "mpc/mm-apev2-no-header.sv7.mpc"));
  EXPECT_EQ(ape.Title, "God Inside");
  // Named "apev1" by its suite, but the footer says 2000; an ID3v1 tag follows it.
  ASSERT_TRUE(ape.Load(samples + "mp3/mm-issue-362.apev1.mp3"));
  EXPECT_EQ(ape.Version, 2000);
  EXPECT_EQ(ape.Title, "Do They Know It's Christmas?");
  // Its comment holds two values, the second iTunes' volume figures.
  EXPECT_EQ(ape.Comment.substr(0, 17), "TunNORM/0000080E ");
}

TEST(APEv2Fuzz, TruncatedAndScrambledTagsEndQuietly) {
  TTempDir dir;
  const std::string real = test::ReadFile(TUNARO_TEST_DATA "/vqf-ape-mpc-rm/mpcenc-sv8-apev2.mpc");
  TAPEv2 ape;
  // Cut anywhere, the footer is gone; cut from the front, items vanish before the tag does.
  for (size_t n = 0; n <= real.size(); n += 7) {
    ASSERT_TRUE(ape.Load(dir.Write("cut.mpc", real.substr(0, n))));
    EXPECT_EQ(ape.Found, n == real.size());
    ASSERT_TRUE(ape.Load(dir.Write("front.mpc", real.substr(real.size() - n))));
  }
  std::mt19937 random(8);
  const size_t tag = real.size() - 32 - 0xBD;
  for (int round = 0; round < 300; ++round) {
    std::string bytes = real;
    for (int k = 0; k < 4; ++k)
      bytes[tag + random() % (real.size() - tag)] = static_cast<char>(random());
    ASSERT_TRUE(ape.Load(dir.Write("scrambled.mpc", bytes)));
    EXPECT_LE(ape.ItemCount, 7u);
    EXPECT_LE(ape.Title.size(), 0xBDu * 3);
  }
}

}  // namespace
}  // namespace tunaro::tags
