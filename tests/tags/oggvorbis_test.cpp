#include "tags/oggvorbis.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::TTempDir;
using namespace std::string_literals;

std::string LE32(uint32_t v) {
  return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
}

// A 27-byte Ogg page header with the given granule position and segment table.
std::string Page(uint64_t granule, const std::string& segments) {
  return "OggS"s + '\0' +                                           // capture pattern, version
         '\0' +                                                     // header type
         LE32(uint32_t(granule)) + LE32(uint32_t(granule >> 32)) +  // granule position
         LE32(1) + LE32(0) + LE32(0) +                              // serial, sequence, checksum
         char(segments.size()) + segments;                          // segment count and table
}

// The 30-byte identification header.
std::string Identification(uint8_t channels, uint32_t rate, uint32_t nominal) {
  return "\x01vorbis"s + LE32(0) +  // magic, version
         char(channels) + LE32(rate) + LE32(0) + LE32(nominal) + LE32(0) +
         "\xB8\x01"s;  // block sizes, framing
}

// The comment header: marker, vendor, entry count (the number of entries unless given).
std::string Comments(const std::string& vendor, const std::vector<std::string>& entries,
                     int32_t count = -2) {
  std::string out = "\x03vorbis"s + LE32(uint32_t(vendor.size())) + vendor +
                    LE32(uint32_t(count == -2 ? int32_t(entries.size()) : count));
  for (const auto& e : entries) out += LE32(uint32_t(e.size())) + e;
  return out;
}

// First page with one segment, then a second page holding the comment header, some audio and
// a last page with a granule position.
std::string OggFile(const std::string& comments,
                    const std::string& id = Identification(2, 44100, 128000),
                    uint64_t granule = 44100) {
  return Page(0, "\x1E") + id + Page(0, "\xFF") + comments + std::string(300, '\x55') +
         Page(granule, "\x10") + std::string(16, '\x55');
}

class OggVorbisTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return Ogg.Load(Dir.Write("t.ogg", bytes)); }
  bool LoadComments(const std::vector<std::string>& entries, const std::string& vendor = "V") {
    return Load(OggFile(Comments(vendor, entries)));
  }
  TTempDir Dir;
  TOggVorbis Ogg;
};

TEST_F(OggVorbisTest, HeaderMustStandAtOffset28) {
  EXPECT_FALSE(Ogg.Load(Dir / "none.ogg"));
  EXPECT_FALSE(Ogg.Load(Dir.Path()));
  const std::string header = Page(0, "\x1E") + Identification(2, 44100, 128000);
  EXPECT_FALSE(Load(header.substr(0, 57)));
  EXPECT_TRUE(Load(header));  // shorter than 250 bytes: no comments, no end page
  EXPECT_TRUE(Ogg.Found);
  EXPECT_EQ(Ogg.FileSize, 58);
  EXPECT_EQ(Ogg.Vendor, "");
  EXPECT_EQ(Ogg.SampleCount, 0);
  // A first page with two segments moves the header one byte on.
  EXPECT_TRUE(Load(Page(0, "\x1E\x00"s) + header.substr(28) + std::string(300, 'x')));
  EXPECT_FALSE(Ogg.Found);
  EXPECT_EQ(Ogg.FileSize, 0);
}

struct TStreamCase {
  uint8_t Channels;
  uint32_t Rate, Nominal;
  uint8_t Mode;
  uint16_t SampleRate, BitRate;
};
class OggStreamTest : public OggVorbisTest, public ::testing::WithParamInterface<TStreamCase> {};

TEST_P(OggStreamTest, KeepsValuesInRange) {
  const auto& c = GetParam();
  ASSERT_TRUE(Load(OggFile(Comments("V", {}), Identification(c.Channels, c.Rate, c.Nominal))));
  EXPECT_EQ(Ogg.ChannelMode, c.Mode);
  EXPECT_EQ(Ogg.SampleRate, c.SampleRate);
  EXPECT_EQ(Ogg.BitRate, c.BitRate);
}

INSTANTIATE_TEST_SUITE_P(Ranges, OggStreamTest,
                         ::testing::Values(TStreamCase{1, 8000, 16000, 1, 8000, 16},
                                           TStreamCase{2, 48000, 350999, 2, 48000, 350},
                                           TStreamCase{6, 7999, 351000, 0, 0, 0},
                                           TStreamCase{0, 48001, 15999, 0, 0, 0},
                                           TStreamCase{2, 44100, 0, 2, 44100, 0},
                                           TStreamCase{2, 0xFFFFFFFF, 0xFFFFFFFF, 2, 0, 0}));

TEST_F(OggVorbisTest, TakesTheSevenKeysInAnyCase) {
  ASSERT_TRUE(
      LoadComments({"title=Song", "Artist=First", "ALBUM=Album", "TRACKNUMBER=5/12", "date=2002",
                    "GENRE=Rock", "COMMENT=a=b", "OTHER=x", "ARTIST=Second", "TITLE =Spaced"},
                   "Xiph vendor"));
  EXPECT_TRUE(Ogg.Found);
  EXPECT_EQ(Ogg.Title, "Song");           // "TITLE " is another key
  EXPECT_EQ(Ogg.Artist, "First/Second");  // several entries joined in their order
  EXPECT_EQ(Ogg.Album, "Album");
  EXPECT_EQ(Ogg.Track, 5);
  EXPECT_EQ(Ogg.Year, "2002");
  EXPECT_EQ(Ogg.Genre, "Rock");
  EXPECT_EQ(Ogg.Comment, "a=b");
  EXPECT_EQ(Ogg.Vendor, "Xiph vendor");
  EXPECT_EQ(Ogg.SampleCount, 44100);
}

TEST_F(OggVorbisTest, VendorIsTheFirstEntryWithoutEqualsSign) {
  ASSERT_TRUE(LoadComments({"ARTIST=", "loose", "later"}, "TITLE=x"));
  EXPECT_EQ(Ogg.Title, "x");
  EXPECT_EQ(Ogg.Artist, "");
  EXPECT_EQ(Ogg.Vendor, "loose");
}

TEST_F(OggVorbisTest, EntryCountAndFileEndLimitTheWalk) {
  for (int32_t count : {0, -1}) {
    ASSERT_TRUE(Load(OggFile(Comments("V", {"TITLE=Song"}, count))));
    EXPECT_EQ(Ogg.Vendor, "V");
    EXPECT_EQ(Ogg.Title, "");
  }
  // A count far beyond the entries: the walk reads on until a length runs past the end, and
  // the entry of that length is dropped.
  ASSERT_TRUE(Load(OggFile(Comments("V", {"TITLE=Song", "ARTIST=Band"}, 0x7FFFFFFF))));
  EXPECT_EQ(Ogg.Title, "Song");
  EXPECT_EQ(Ogg.Artist, "Band");
  // A zero-filled tail reads as a million empty entries, which change nothing.
  ASSERT_TRUE(
      Load(OggFile(Comments("V", {"TITLE=Song"}, 0x7FFFFFFF)) + std::string(4 << 20, '\0')));
  EXPECT_EQ(Ogg.Title, "Song");
  const std::string file = Page(0, "\x1E") + Identification(2, 44100, 128000) + Page(0, "\xFF") +
                           Comments("V", {"ARTIST=Band"}, 2) + LE32(1000) + "TITLE=Song" +
                           std::string(120, '\0');
  ASSERT_TRUE(Load(file));
  EXPECT_EQ(Ogg.Artist, "Band");
  EXPECT_EQ(Ogg.Title, "");
}

TEST_F(OggVorbisTest, LongEntryKeepsItsFirst250Bytes) {
  ASSERT_TRUE(LoadComments({"TITLE=" + std::string(300, 't'), "ARTIST=Next"}));
  EXPECT_EQ(Ogg.Title, std::string(244, 't'));
  EXPECT_EQ(Ogg.Artist, "Next");  // read right after the long entry's last byte
}

TEST_F(OggVorbisTest, MarkerIsLookedForInTheFirst250BytesOnly) {
  const std::string head = Page(0, "\x1E") + Identification(2, 44100, 128000);
  for (size_t at : {243u, 244u}) {
    const std::string file = head + std::string(at - head.size(), '\0') +
                             Comments("V", {"TITLE=Song"}) + std::string(100, '\0');
    ASSERT_TRUE(Load(file));
    EXPECT_TRUE(Ogg.Found);
    EXPECT_EQ(Ogg.Title, at == 243 ? "Song" : "") << at;
  }
}

TEST_F(OggVorbisTest, KeepsTextsAsStored) {
  // UTF-8 stays UTF-8, whatever it holds; bytes that are not UTF-8 (an old tagger's code
  // page) are kept too, for the rename to decode.
  const std::string cases[] = {"Caf\xC3\xA9",       "\xE4\xB8\xAD\xE6\x96\x87", "Bj\xC3\xB6rk",
                               "x\xF0\x9F\x98\x80", "\xD6\xD0\xCE\xC4",         "a\0b"s};
  for (const auto& text : cases) {
    ASSERT_TRUE(LoadComments({"TITLE=" + text}, text));
    EXPECT_EQ(Ogg.Title, text);
    EXPECT_EQ(Ogg.Vendor, text);
  }
  // TRACKNUMBER is read as it stands.
  const std::pair<const char*, uint8_t> tracks[] = {
      {"5/12", 5}, {"07", 7}, {"x", 0}, {"12\xC3", 0}};
  for (const auto& [text, track] : tracks) {
    ASSERT_TRUE(LoadComments({"TRACKNUMBER="s + text}));
    EXPECT_EQ(Ogg.Track, track) << text;
  }
}

TEST_F(OggVorbisTest, SampleCountComesFromTheLastWindowWithAPage) {
  // Two pages in the last 250 bytes: the lower one wins.
  std::string file = OggFile(Comments("V", {}), Identification(2, 44100, 128000), 0x112345678);
  file += Page(99, "") + std::string(20, '\0');
  ASSERT_TRUE(Load(file));
  EXPECT_EQ(Ogg.SampleCount, 0x12345678);
  // A page start 12,010 bytes before the end is found; one byte further back is not.
  const std::string body =
      Page(0, "\x1E") + Identification(2, 44100, 128000) + std::string(200, '\0');
  for (size_t back : {12010u, 12011u}) {
    std::string far = body + Page(777, "");
    far.resize(body.size() + back, '\0');
    ASSERT_TRUE(Load(far));
    EXPECT_EQ(Ogg.SampleCount, back == 12010 ? 777 : 0) << back;
  }
}

// Files written by oggenc and vorbiscomment.
TEST(OggVorbisRealFiles, ReadsCommentsOfOtherTools) {
  const std::string dir = TUNARO_TEST_DATA "/mp3-ogg-wma/";
  TOggVorbis ogg;
  ASSERT_TRUE(ogg.Load(dir + "latin.ogg"));
  EXPECT_TRUE(ogg.Found);
  EXPECT_EQ(ogg.ChannelMode, 1);
  EXPECT_EQ(ogg.SampleRate, 8000);
  EXPECT_EQ(ogg.SampleCount, 8000);
  EXPECT_EQ(ogg.Title, "Some Title");
  EXPECT_EQ(ogg.Artist, "Some Artist");
  EXPECT_EQ(ogg.Album, "Some Album");
  EXPECT_EQ(ogg.Year, "2002");
  EXPECT_EQ(ogg.Genre, "Rock");
  EXPECT_EQ(ogg.Comment, "Nice");
  EXPECT_EQ(ogg.Track, 5);
  EXPECT_EQ(ogg.Vendor.rfind("Xiph.Org libVorbis", 0), 0u);

  ASSERT_TRUE(ogg.Load(dir + "accented.ogg"));
  EXPECT_EQ(ogg.Title, "Café");
  EXPECT_EQ(ogg.Artist, "Björk");
  EXPECT_EQ(ogg.Track, 7);

  ASSERT_TRUE(ogg.Load(dir + "chinese.ogg"));
  EXPECT_EQ(ogg.Title, "中文标题");
  EXPECT_EQ(ogg.Artist, "歌手");
  EXPECT_EQ(ogg.Album, "专辑");
  EXPECT_EQ(ogg.Track, 5);
}

TEST(OggVorbisRealFiles, SamplesFromPublicSuites) {
  const std::string dir = TUNARO_SAMPLES "/ogg/";
  TOggVorbis ogg;
  ASSERT_TRUE(ogg.Load(dir + "tinytag-composer.ogg"));
  EXPECT_EQ(ogg.Title, "A Title");
  EXPECT_EQ(ogg.Artist, "An Artist");
  EXPECT_EQ(ogg.Album, "An Album");
  EXPECT_EQ(ogg.Year, "2007");
  EXPECT_EQ(ogg.Comment, "A Comment");
  EXPECT_EQ(ogg.Track, 2);
  ASSERT_TRUE(ogg.Load(dir + "taglib-lowercase-fields.ogg"));
  EXPECT_EQ(ogg.Title, "TEST TITLE");
  // Cover art and other long entries before the texts.
  ASSERT_TRUE(ogg.Load(dir + "exiftool-Vorbis.ogg"));
  EXPECT_EQ(ogg.Title, "A 4s sample for testing embedded cover art");
  EXPECT_EQ(ogg.Comment, "a nice comment");
  // The comment header starts past byte 250: a Vorbis file without entries.
  ASSERT_TRUE(ogg.Load(dir + "mm-nirvana-2sec.vorbis.ogg"));
  EXPECT_TRUE(ogg.Found);
  EXPECT_EQ(ogg.Vendor, "");
  EXPECT_EQ(ogg.SampleRate, 44100);
  for (const char* other : {"taglib-multiplex.ogg", "mm-audio.opus.ogg", "exiftool-FLAC.ogg"}) {
    EXPECT_TRUE(ogg.Load(dir + other));
    EXPECT_FALSE(ogg.Found) << other;
  }
  EXPECT_FALSE(ogg.Load(dir + "tinytag-empty_file.ogg"));
}

// Cut and scrambled copies of a real file: every Load ends, quietly, within its buffers.
TEST(OggVorbisFuzz, TruncatedAndScrambledFilesEndQuietly) {
  TTempDir dir;
  const std::string real = test::ReadFile(TUNARO_TEST_DATA "/mp3-ogg-wma/latin.ogg");
  ASSERT_GT(real.size(), 400u);
  TOggVorbis ogg;
  for (size_t n = 0; n <= 400; n += 3) ogg.Load(dir.Write("cut.ogg", real.substr(0, n)));
  std::mt19937 random(11);
  for (int round = 0; round < 150; ++round) {
    std::string bytes = real;
    for (int k = 0; k < 6; ++k) bytes[93 + random() % 200] = static_cast<char>(random());
    if (round % 3 == 0) bytes.replace(93 + random() % 100, 4, "\xFF\xFF\xFF\x7F");  // huge
    EXPECT_TRUE(ogg.Load(dir.Write("scrambled.ogg", bytes)));
    EXPECT_TRUE(ogg.Found);
    EXPECT_LE(ogg.Title.size(), 500u);
  }
}

}  // namespace
}  // namespace tunaro::tags
