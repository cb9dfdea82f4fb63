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
        TExpandCase{"%7 %0 %", {"A", "", "", "", "", ""}, "%7 %0 %"},
        // Ends, after growing: each "%" before the run of 1s triples it.
        TExpandCase{"%%%%1",
                    {"111%", "", "", "", "", ""},
                    "111111111111111111111111111"
                    "111111111111111111111111111"
                    "111111111111111111111111111%%%%"},
        // A lone "%1" is replaced once even by a value that would regrow it next to a run.
        TExpandCase{"x%1y", {"11%%", "", "", "", "", ""}, "x11%%y"}));

// The expansion as described, literally: every search from the beginning. Gives false when
// the text passes the size or the steps pass the budget (the value regrows the placeholder).
bool Literal(std::string& text, const std::string& placeholder, const std::string& value,
             size_t maxSize) {
  for (size_t steps = 0, at; (at = text.find(placeholder)) != std::string::npos; ++steps) {
    if (steps > 4 * maxSize) return false;
    text.replace(at, placeholder.size(), value);
    if (text.size() > maxSize) return false;
  }
  return true;
}

// All six placeholders, each by the literal expansion, or the fallback when that does not end.
std::string Reference(const std::string& text, const TFieldValues& values, size_t maxSize) {
  std::string result = text;
  for (size_t k = 0; k < values.size(); ++k) {
    const std::string placeholder = "%" + std::to_string(k + 1);
    std::string literal = result;
    if (Literal(literal, placeholder, values[k], maxSize)) {
      result = literal;
      continue;
    }
    for (size_t from = 0, at; (at = result.find(placeholder, from)) != std::string::npos;) {
      result.replace(at, placeholder.size(), values[k]);
      from = at + values[k].size();
    }
  }
  return result;
}

std::vector<std::string> AllStrings(size_t maxLength) {
  std::vector<std::string> all = {""};
  for (size_t i = 0; all[i].size() < maxLength; ++i)
    for (const char c : {'%', '1', '2', 'a'}) all.push_back(all[i] + c);
  return all;
}

// Over every short text and value: the criterion says "ends" exactly when the literal
// expansion ends (none that ends here comes near the size), and then the results agree.
// (Texts of six bytes pass too, with a size of 1100; left out for time.)
TEST(ExpansionEnds, AgreesWithTheLiteralExpansionOnEveryShortInput) {
  constexpr size_t kSize = 600;
  const auto all = AllStrings(5);
  size_t ends = 0, endless = 0;
  for (const auto& text : all) {
    if (text.find("%1") == std::string::npos) continue;
    for (const auto& value : all) {
      if (value.find("%1") != std::string::npos) {  // regrows itself: the budget would say so
        EXPECT_FALSE(ExpansionEnds(text, "%1", value));
        continue;
      }
      std::string literal = text;
      const bool literalEnds = Literal(literal, "%1", value, kSize);
      ASSERT_EQ(ExpansionEnds(text, "%1", value), literalEnds) << text << " / " << value;
      (literalEnds ? ends : endless)++;
      if (literalEnds) {
        ASSERT_EQ(ExpandTemplate(text, {value, "", "", "", "", ""}, kSize),
                  Reference(text, {value, "", "", "", "", ""}, kSize))
            << text << " / " << value;
      }
    }
  }
  EXPECT_GT(endless, 100u);
  EXPECT_GT(ends, 100000u);
}

// Two placeholders after each other, against the literal expansion with the fallback.
TEST(ExpandTemplate, AgreesWithTheLiteralExpansionOverTwoPlaceholders) {
  constexpr size_t kSize = 250;
  const auto texts = AllStrings(4), values1 = AllStrings(3), values2 = AllStrings(2);
  for (const auto& text : texts)
    for (const auto& v1 : values1)
      for (const auto& v2 : values2) {
        ASSERT_EQ(ExpandTemplate(text, {v1, v2, "", "", "", ""}, kSize),
                  Reference(text, {v1, v2, "", "", "", ""}, kSize))
            << text << " / " << v1 << " / " << v2;
      }
}

// Growth that ends (after 3^20 digits here) stops once past the size and is cut to it; so
// does an endless value inserted once per occurrence.
TEST(ExpandTemplate, GrowthIsCutAtTheSize) {
  const std::string name = ExpandTemplate("%%%%%%%%%%%%%%%%%%%%1", {"111%", "", "", "", "", ""});
  EXPECT_EQ(name.size(), kMaxExpandedSize);
  EXPECT_EQ(name.substr(0, 729), std::string(729, '1'));
  const std::string endless = ExpandTemplate(std::string(3000, 'x') + "%1%1",
                                             {"%1" + std::string(1000, 'y'), "", "", "", "", ""});
  EXPECT_EQ(endless.size(), kMaxExpandedSize);
}

struct TFilterCase {
  std::string In, Out;
};

class FilterTest : public ::testing::TestWithParam<TFilterCase> {};

TEST_P(FilterTest, ReplacesEveryIllegalCharacter) {
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
                      TFilterCase{"歌手 - 歌名", "歌手 - 歌名"},
                      // Bidirectional controls: one blank each.
                      TFilterCase{"\u202E3pm.exe - \u00E9", " 3pm.exe - \u00E9"},
                      TFilterCase{"\u202A\u202Bx\u202C\u202D\u2066y\u2067\u2068\u2069\u200E"
                                  "\u200F\u061Cz\u2069",
                                  "  x   y      z "},
                      TFilterCase{"\u202F\u2065\u200D\u061B", "\u202F\u2065\u200D\u061B"}));

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

INSTANTIATE_TEST_SUITE_P(
    Table, DispatchTest,
    ::testing::Values(
        TDispatchCase{".mp3", 1, TReaderKind::MP3}, TDispatchCase{".Mp3", 1, TReaderKind::MP3},
        TDispatchCase{".", 1, TReaderKind::MP3}, TDispatchCase{".M", 1, TReaderKind::MP3},
        TDispatchCase{".mp", 1, TReaderKind::MP3}, TDispatchCase{".vqf", 5, TReaderKind::TwinVQ},
        TDispatchCase{".ogg", 9, TReaderKind::OggVorbis},
        TDispatchCase{".ape", 13, TReaderKind::Monkey},
        TDispatchCase{".mpp", 17, TReaderKind::MPEGplus},
        TDispatchCase{".mpc", 21, TReaderKind::MPEGplus},
        TDispatchCase{".ra", 25, TReaderKind::RealMedia},
        TDispatchCase{".R", 25, TReaderKind::RealMedia},
        TDispatchCase{".rm", 28, TReaderKind::RealMedia},
        TDispatchCase{".ram", 31, TReaderKind::RealMedia},
        TDispatchCase{".wma", 35, TReaderKind::WindowsMedia},
        TDispatchCase{".FLAC", 39, TReaderKind::Flac},
        TDispatchCase{".oga", 44, TReaderKind::OggFlac},
        TDispatchCase{".opus", 48, TReaderKind::Opus},
        TDispatchCase{".spx", 53, TReaderKind::Speex}, TDispatchCase{".m4a", 57, TReaderKind::MP4},
        TDispatchCase{".M4B", 61, TReaderKind::MP4}, TDispatchCase{".mp4", 65, TReaderKind::MP4},
        TDispatchCase{".wv", 69, TReaderKind::WavPack}, TDispatchCase{".wav", 72, TReaderKind::Wav},
        TDispatchCase{".aif", 76, TReaderKind::Aiff}, TDispatchCase{".aiff", 80, TReaderKind::Aiff},
        TDispatchCase{".AIFC", 85, TReaderKind::Aiff}, TDispatchCase{".dsf", 90, TReaderKind::Dsf},
        TDispatchCase{"", 0, TReaderKind::None}, TDispatchCase{".txt", 0, TReaderKind::None},
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
  // "00" is no track only in the track field: a title or year "00" is text.
  EXPECT_FALSE(EveryPlaceholderEmpty("%2 %4", {"", "00", "", "00", "", "00"}));
}

TEST(PlaceholderUndecodable, OnlyForPlaceholdersTheTemplateUses) {
  const TFieldValues values = {"A", "B\xEF\xBF\xBD", "", "", "", "00"};
  EXPECT_TRUE(PlaceholderUndecodable("%1 - %2", values));
  EXPECT_FALSE(PlaceholderUndecodable("%1 - %3", values));
}

TEST(FileTypes, CountCaptionFollowsTheExtension) {
  EXPECT_EQ(CountCaption(".mp3"), "MP3文件数量：");
  EXPECT_EQ(CountCaption(".ra"), "RA文件数量：");
  EXPECT_EQ(CountCaption(""), "文件数量：");
  EXPECT_EQ(FileTypeRowByName("ram"), 8);
  EXPECT_EQ(FileTypeRowByName("MP3"), 0);
  EXPECT_EQ(ExtensionDispatch().substr(0, 38), ".MP3.VQF.OGG.APE.MPP.MPC.RA.RM.RAM.WMA");
  EXPECT_EQ(FileTypeNames().substr(0, 37), "mp3 vqf ogg ape mpp mpc ra rm ram wma");
  EXPECT_EQ(FileTypeRowByName("aac"), -1);
  EXPECT_STREQ(kFileTypes[6].Legend, kLegendD);
  EXPECT_STREQ(kTemplatePresets[0], "%1 - %2");
}

}  // namespace
}  // namespace tunaro::engine
