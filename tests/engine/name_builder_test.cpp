#include "engine/name_builder.h"

#include <gtest/gtest.h>

#include "engine/file_types.h"

namespace tunaro::engine {
namespace {

TEST(TrackText, KeepsTheLastTwoDigits) {
  EXPECT_EQ(TrackText(0), "00");
  EXPECT_EQ(TrackText(7), "07");
  EXPECT_EQ(TrackText(12), "12");
  EXPECT_EQ(TrackText(123), "23");
  EXPECT_EQ(TrackText(255), "55");
}

struct TExpandCase {
  const char* Template;
  TFieldValues Values;
  const char* Expected;
};

class ExpandTest : public ::testing::TestWithParam<TExpandCase> {};

TEST_P(ExpandTest, Expands) {
  const auto& c = GetParam();
  EXPECT_EQ(ExpandTemplate(c.Template, c.Values), c.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpandTest,
    ::testing::Values(
        TExpandCase{"%1 - %2", {"A", "B", "", "", "", ""}, "A - B"},
        TExpandCase{"%1 - %2", {"", "B", "", "", "", ""}, " - B"},
        TExpandCase{
            "%1 - %3 (%4) - %6 - %2", {"A", "T", "Al", "2002", "", "07"}, "A - Al (2002) - 07 - T"},
        TExpandCase{"%1%1", {"x", "", "", "", "", ""}, "xx"},
        TExpandCase{"fixed", {"A", "B", "", "", "", ""}, "fixed"},
        TExpandCase{"", {"A", "B", "", "", "", ""}, ""},
        // A higher placeholder inside an earlier value is replaced later.
        TExpandCase{"%1", {"by %2", "T", "", "", "", ""}, "by T"},
        // A value holding its own placeholder ends instead of looping.
        TExpandCase{"%2 - %2", {"", "a%2b", "", "", "", ""}, "a%2b - a%2b"},
        // A "%" before the insertion joined to a value starting with the digit is found again.
        TExpandCase{"%%1", {"1", "", "", "", "", ""}, "1"},
        TExpandCase{"%11x", {"%", "", "", "", "", ""}, "%x"},
        // A value whose trailing "%" joins its own leading digit: inserted once per hit.
        TExpandCase{"%%1", {"11%%", "", "", "", "", ""}, "%11%%"},
        TExpandCase{"%7 %0 %", {"A", "", "", "", "", ""}, "%7 %0 %"}));

struct TFilterCase {
  std::string In, Out;
};

class FilterTest : public ::testing::TestWithParam<TFilterCase> {};

TEST_P(FilterTest, ReplacesEveryIllegalByteKeepingTheLength) {
  std::string name = GetParam().In;
  FilterIllegalChars(name);
  EXPECT_EQ(name, GetParam().Out);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FilterTest,
    ::testing::Values(TFilterCase{"A/B - Why?", "A B - Why "}, TFilterCase{"a>b<c", "a)b(c"},
                      TFilterCase{"x|y*z", "x y z"}, TFilterCase{"Artist: Title", "Artist- Title"},
                      TFilterCase{"sub\\x", "sub x"}, TFilterCase{"say \"hi\"", "say 'hi'"},
                      TFilterCase{std::string("a\0b", 3), "a b"},
                      TFilterCase{"line\nbreak\ttab\x7F\x1F", "line break tab  "},
                      TFilterCase{" .lead and trail. ", " .lead and trail. "},
                      TFilterCase{"歌手 - 歌名", "歌手 - 歌名"}));

TEST(PathParts, SplitsAtTheLastSlashAndDot) {
  EXPECT_EQ(ExtractFileExt("/m/a.b/c"), "");
  EXPECT_EQ(ExtractFileExt("/m/x.tar.MP3"), ".MP3");
  EXPECT_EQ(ExtractFileExt("/m/.hidden"), ".hidden");
  EXPECT_EQ(ExtractFileExt("/m/dot."), ".");
  EXPECT_EQ(ExtractFilePath("/m/a/x.mp3"), "/m/a/");
  EXPECT_EQ(ExtractFilePath("x.mp3"), "");
  EXPECT_EQ(ExtractFileName("/m/a/x.mp3"), "x.mp3");
}

struct TDispatchCase {
  const char* Extension;
  int Position;
  TReaderKind Kind;
};

class DispatchTest : public ::testing::TestWithParam<TDispatchCase> {};

TEST_P(DispatchTest, FindsTheReaderByExtension) {
  const auto& c = GetParam();
  EXPECT_EQ(DispatchPosition(c.Extension), c.Position);
  EXPECT_EQ(ReaderForExtension(c.Extension), c.Kind);
}

INSTANTIATE_TEST_SUITE_P(Table, DispatchTest,
                         ::testing::Values(TDispatchCase{".mp3", 1, TReaderKind::MP3},
                                           TDispatchCase{".Mp3", 1, TReaderKind::MP3},
                                           TDispatchCase{".", 1, TReaderKind::MP3},
                                           TDispatchCase{".M", 1, TReaderKind::MP3},
                                           TDispatchCase{".mp", 1, TReaderKind::MP3},
                                           TDispatchCase{".vqf", 5, TReaderKind::TwinVQ},
                                           TDispatchCase{".ogg", 9, TReaderKind::OggVorbis},
                                           TDispatchCase{".ape", 13, TReaderKind::Monkey},
                                           TDispatchCase{".mpp", 17, TReaderKind::MPEGplus},
                                           TDispatchCase{".mpc", 21, TReaderKind::MPEGplus},
                                           TDispatchCase{".ra", 25, TReaderKind::RealMedia},
                                           TDispatchCase{".R", 25, TReaderKind::RealMedia},
                                           TDispatchCase{".rm", 28, TReaderKind::RealMedia},
                                           TDispatchCase{".ram", 31, TReaderKind::RealMedia},
                                           TDispatchCase{".wma", 35, TReaderKind::WindowsMedia},
                                           TDispatchCase{"", 0, TReaderKind::None},
                                           TDispatchCase{".txt", 0, TReaderKind::None},
                                           TDispatchCase{".mp3x", 0, TReaderKind::None}));

TEST(EveryPlaceholderEmpty, OnlyWhenTheTemplateHasPlaceholdersAndAllAreEmpty) {
  const TFieldValues none = {"", " ", "", "", "", "00"};
  const TFieldValues artist = {"A", "", "", "", "", "00"};
  const TFieldValues track = {"", "", "", "", "", "07"};
  EXPECT_TRUE(EveryPlaceholderEmpty("%1 - %2", none));
  EXPECT_TRUE(EveryPlaceholderEmpty("%6 %1", none));  // "00" is no track
  EXPECT_FALSE(EveryPlaceholderEmpty("%1 - %2", artist));
  EXPECT_FALSE(EveryPlaceholderEmpty("%6 %1", track));
  EXPECT_TRUE(EveryPlaceholderEmpty("%2 - %3", artist));
  EXPECT_FALSE(EveryPlaceholderEmpty("fixed name", none));  // no placeholder: meant so
  EXPECT_FALSE(EveryPlaceholderEmpty("", none));
}

TEST(FileTypes, CountCaptionFollowsTheExtension) {
  EXPECT_EQ(CountCaption(".mp3"), "MP3文件数量：");
  EXPECT_EQ(CountCaption(".ra"), "RA文件数量：");
  EXPECT_EQ(CountCaption(""), "文件数量：");
  EXPECT_EQ(FileTypeRowByName("ram"), 8);
  EXPECT_EQ(FileTypeRowByName("MP3"), 0);
  EXPECT_EQ(ExtensionDispatch(), ".MP3.VQF.OGG.APE.MPP.MPC.RA.RM.RAM.WMA");
  EXPECT_EQ(FileTypeNames(), "mp3 vqf ogg ape mpp mpc ra rm ram wma");
  EXPECT_EQ(FileTypeRowByName("flac"), -1);
  EXPECT_STREQ(kFileTypes[6].Legend, kLegendD);
  EXPECT_STREQ(kTemplatePresets[0], "%1 - %2");
}

}  // namespace
}  // namespace tunaro::engine
