#include "tags/windowsmedia.h"

#include <gtest/gtest.h>

#include <random>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::TTempDir;
using namespace std::string_literals;

std::string LE16(uint16_t v) {
  return {char(v), char(v >> 8)};
}
std::string LE32(uint32_t v) {
  return LE16(uint16_t(v)) + LE16(uint16_t(v >> 16));
}

const std::string kHeaderGuid = "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"s;
const std::string kDescriptionGuid =
    "\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C"s;

// UTF-16LE bytes of a text, with the terminating null character.
std::string U16(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += LE16(c);
  return out + LE16(0);
}

// A content description object: identifier, size, the five byte lengths, the texts.
std::string Description(const std::string (&texts)[5]) {
  std::string out = kDescriptionGuid + LE32(0) + LE32(0);
  for (const auto& t : texts) out += LE16(uint16_t(t.size()));
  for (const auto& t : texts) out += t;
  return out;
}

// Header identifier, low half of the size (the window's length), then the window.
std::string WmaFile(const std::string& window, const std::string& rest = std::string(64, '\0')) {
  return kHeaderGuid + LE32(uint32_t(window.size())) + window + rest;
}

// What the window holds before the objects: high half of the size, object count, reserved.
const std::string kWindowStart = LE32(0) + LE32(3) + "\x01\x02"s;

class WindowsMediaTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return Wma.Load(Dir.Write("t.wma", bytes)); }
  void ExpectNoTexts() {
    EXPECT_EQ(Wma.Title, "");
    EXPECT_EQ(Wma.Author, "");
    EXPECT_EQ(Wma.Copyright, "");
    EXPECT_EQ(Wma.Description, "");
    EXPECT_EQ(Wma.Rating, "");
  }
  TTempDir Dir;
  TWindowsMedia Wma;
};

TEST_F(WindowsMediaTest, FailsWithoutTheHeaderStartOrTheWholeWindow) {
  EXPECT_FALSE(Wma.Load(Dir / "none.wma"));
  EXPECT_FALSE(Wma.Load(Dir.Path()));
  EXPECT_FALSE(Load("\x30"));
  EXPECT_FALSE(Load("\x26\x30" + kHeaderGuid.substr(2) + LE32(0)));
  EXPECT_FALSE(Load(kHeaderGuid + "\0\0"s));  // a size field cut short
  EXPECT_FALSE(Load(kHeaderGuid + LE32(0xFFFFFFFF) + std::string(100, '\0')));
  const std::string file = WmaFile(kWindowStart + std::string(50, '\0'), "");
  EXPECT_FALSE(Load(file.substr(0, file.size() - 1)));
  EXPECT_FALSE(Wma.Found);
  EXPECT_TRUE(Load(file));
  // Only the first two bytes of the identifier are compared.
  EXPECT_TRUE(Load("\x30\x26" + std::string(14, 'x') + LE32(0)));
  EXPECT_TRUE(Wma.Found);
  ExpectNoTexts();
}

TEST_F(WindowsMediaTest, ReadsTheFiveTexts) {
  ASSERT_TRUE(Load(WmaFile(
      kWindowStart + std::string(30, '\x11') +
      Description({U16(u"Song"), U16(u"Artist"), U16(u"(C) 2002"), U16(u"Nice"), U16(u"Good")}))));
  EXPECT_TRUE(Wma.Found);
  EXPECT_EQ(Wma.Title, "Song");
  EXPECT_EQ(Wma.Author, "Artist");
  EXPECT_EQ(Wma.Copyright, "(C) 2002");
  EXPECT_EQ(Wma.Description, "Nice");
  EXPECT_EQ(Wma.Rating, "Good");
}

TEST_F(WindowsMediaTest, LengthsPlaceTheTexts) {
  // A zero title length: the author starts where the title would have.
  ASSERT_TRUE(Load(WmaFile(Description({"", U16(u"Artist"), "", "", ""}))));
  EXPECT_EQ(Wma.Title, "");
  EXPECT_EQ(Wma.Author, "Artist");
  // An odd length: its text has length / 2 characters, and the next text starts 1 byte
  // earlier, on the title's last byte.
  ASSERT_TRUE(Load(WmaFile(Description({"A\0B\0C"s, "\0D\0\0\0"s, "", "", ""}))));
  EXPECT_EQ(Wma.Title, "AB");
  EXPECT_EQ(Wma.Author, "CD");
  // The first null character ends a text; what follows within its length is dropped.
  ASSERT_TRUE(Load(WmaFile(Description({U16(u"Ab") + U16(u"cd"), U16(u"E"), "", "", ""}))));
  EXPECT_EQ(Wma.Title, "Ab");
  EXPECT_EQ(Wma.Author, "E");
}

TEST_F(WindowsMediaTest, ConvertsToUtf8Exactly) {
  ASSERT_TRUE(Load(WmaFile(Description({U16(u"中文"), U16(u"Se\u00F1or"), U16(u"\U0001F600\uD55C"),
                                        U16(std::u16string{u'a', char16_t{0xD800}, u'b'}), ""}))));
  EXPECT_EQ(Wma.Title, "中文");
  EXPECT_EQ(Wma.Author, "Señor");
  EXPECT_EQ(Wma.Copyright, "\xF0\x9F\x98\x80\xED\x95\x9C");  // emoji and Korean
  EXPECT_EQ(Wma.Description,
            "a\xEF\xBF\xBD"
            "b");  // a lone surrogate: U+FFFD
}

TEST_F(WindowsMediaTest, NoDescriptionInTheWindowGivesEmptyTexts) {
  EXPECT_TRUE(Load(WmaFile("")));  // a size of 0
  EXPECT_TRUE(Wma.Found);
  ExpectNoTexts();
  EXPECT_TRUE(Load(WmaFile(kWindowStart + std::string(100, '\x33'))));
  ExpectNoTexts();
  // An object just past the window is not seen.
  const std::string desc = Description({U16(u"Song"), "", "", "", ""});
  EXPECT_TRUE(Load(WmaFile(kWindowStart, desc)));
  ExpectNoTexts();
}

TEST_F(WindowsMediaTest, TextsAreCutAtTheWindowEnd) {
  // The title claims 0xFFFE bytes; the window ends after "Song".
  std::string desc = Description({U16(u"Song"), "", "", "", ""});
  desc.replace(24, 2, LE16(0xFFFE));
  desc.resize(desc.size() - 2);  // no terminator inside the window
  ASSERT_TRUE(Load(WmaFile(desc, U16(u"XYZ"))));
  EXPECT_EQ(Wma.Title, "Song");
  EXPECT_EQ(Wma.Author, "");
  // The window ends inside the lengths: a cut length counts as 0.
  for (size_t keep : {16u, 24u, 27u, 33u}) {
    ASSERT_TRUE(Load(WmaFile(Description({U16(u"T"), U16(u"A"), "", "", ""}).substr(0, keep),
                             std::string(40, 'x'))));
    EXPECT_TRUE(Wma.Found);
    ExpectNoTexts();
  }
}

// Files written by ffmpeg.
TEST(WindowsMediaRealFiles, ReadsTheDescriptionOfOtherTools) {
  const std::string dir = TUNARO_TEST_DATA "/mp3-ogg-wma/";
  TWindowsMedia wma;
  ASSERT_TRUE(wma.Load(dir + "latin.wma"));
  EXPECT_EQ(wma.Title, "Some Title");
  EXPECT_EQ(wma.Author, "Some Author");
  EXPECT_EQ(wma.Copyright, "(C) 2002 Someone");
  EXPECT_EQ(wma.Description, "");  // ffmpeg keeps the comment elsewhere
  EXPECT_EQ(wma.Rating, "Good");
  ASSERT_TRUE(wma.Load(dir + "chinese.wma"));
  EXPECT_EQ(wma.Title, "中文标题");
  EXPECT_EQ(wma.Author, "歌手");
}

TEST(WindowsMediaRealFiles, SamplesFromPublicSuites) {
  const std::string dir = TUNARO_SAMPLES "/wma/";
  TWindowsMedia wma;
  ASSERT_TRUE(wma.Load(dir + "mm-asf.wma"));
  EXPECT_EQ(wma.Title, "Don't Bring Me Down");
  EXPECT_EQ(wma.Author, "Electric Light Orchestra");
  EXPECT_EQ(wma.Copyright.size(), 77u);
  EXPECT_EQ(wma.Description, "USSM10015734");
  EXPECT_EQ(wma.Rating, "");
  ASSERT_TRUE(wma.Load(dir + "mutagen-issue_29.wma"));
  EXPECT_EQ(wma.Title, "Señor Flamingos Adieu");
  for (const char* damaged : {"mm-CWE-835.wma", "tinytag-invalid_object_size.wma",
                              "mediafile-empty.wma", "tinytag-silence.wma"}) {
    EXPECT_TRUE(wma.Load(dir + damaged)) << damaged;
    EXPECT_EQ(wma.Title, "") << damaged;
  }
  EXPECT_FALSE(wma.Load(dir + "tinytag-empty_file.wma"));
}

// Cut and scrambled copies of a real file: every Load ends, quietly, within its buffers.
TEST(WindowsMediaFuzz, TruncatedAndScrambledFilesEndQuietly) {
  TTempDir dir;
  const std::string real = test::ReadFile(TUNARO_TEST_DATA "/mp3-ogg-wma/latin.wma");
  ASSERT_GT(real.size(), 1000u);
  TWindowsMedia wma;
  for (size_t n = 0; n <= 1000; n += 7) wma.Load(dir.Write("cut.wma", real.substr(0, n)));
  std::mt19937 random(5);
  for (int round = 0; round < 150; ++round) {
    std::string bytes = real;
    for (int k = 0; k < 6; ++k) bytes[16 + random() % 300] = static_cast<char>(random());
    wma.Load(dir.Write("scrambled.wma", bytes));
    EXPECT_LE(wma.Title.size(), 2 * real.size());
  }
}

}  // namespace
}  // namespace tunaro::tags
