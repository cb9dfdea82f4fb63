#include "platform/codec.h"

#include <gtest/gtest.h>

namespace tunaro::platform {
namespace {

// "歌手：" in GBK: two double-byte characters and a full-width colon.
const std::string kGbkSinger = "\xB8\xE8\xCA\xD6\xA3\xBA";

TEST(Gbk, ConvertsBothWays) {
  EXPECT_EQ(GbkToUtf8(kGbkSinger), "歌手：");
  EXPECT_EQ(Utf8ToGbk("歌手："), kGbkSinger);
  EXPECT_EQ(GbkToUtf8("plain ASCII"), "plain ASCII");
  EXPECT_EQ(GbkToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Gbk, WhatCannotBeConvertedBecomesAQuestionMark) {
  EXPECT_EQ(GbkToUtf8("\xFF"
                      "a"),
            "?a");                                  // no character starts with 0xFF
  EXPECT_EQ(GbkToUtf8("ab\xB8"), "ab?");            // cut double-byte character
  EXPECT_EQ(Utf8ToGbk("\xF0\x9F\x8E\xB5!"), "?!");  // a character GBK lacks
  EXPECT_EQ(Utf8ToGbk("\xC3"
                      "A"),
            "?A");  // a broken sequence
}

TEST(Gbk, PathsThatAreNotUtf8StayAsTheyAre) {
  EXPECT_EQ(Utf8ToGbkOrRaw("/m/\xB8\xE8.mp3"), "/m/\xB8\xE8.mp3");
  EXPECT_EQ(Utf8ToGbkOrRaw("/m/歌.mp3"), "/m/\xB8\xE8.mp3");
}

struct TExactCase {
  const char* Utf8;
  const char* Gbk;  // nullptr: GBK cannot hold it exactly
};

TEST(Gbk, ExactlyOnlyWhenTheTextComesBackUnchanged) {
  const TExactCase cases[] = {
      {"plain", "plain"},
      {"歌", "\xB8\xE8"},
      {"原", "\xD4\xAD"},  // GBK bytes that are valid UTF-8 as well (U+052D)
      {"聞", "\xC2\x84"},
      {"노래", nullptr},              // Hangul
      {"\xF0\x9F\x8E\xB5", nullptr},  // an emoji
      {"ö", nullptr},
      {"?", "?"},            // a real question mark is no loss
      {"caf\xE9", nullptr},  // not UTF-8
  };
  for (const auto& c : cases) {
    std::string gbk;
    const bool exact = Utf8ToGbkExactly(c.Utf8, gbk);
    EXPECT_EQ(exact, c.Gbk != nullptr) << c.Utf8;
    if (exact && c.Gbk) {
      EXPECT_EQ(gbk, c.Gbk) << c.Utf8;
    }
    EXPECT_EQ(Utf8ToGbkOrRaw(c.Utf8), c.Gbk ? c.Gbk : c.Utf8);
  }
}

TEST(Gbk, FromUtf16) {
  const uint8_t units[] = {'A', 0, 0x4C, 0x6B, 0x3D, 0xD8, 0xB5, 0xDF, 'z', 0};  // A 歌 U+1F3B5 z
  EXPECT_EQ(Utf16LeToGbk(units, 5), "A\xB8\xE8?z");
  const uint8_t lone[] = {0x00, 0xD8, 'x', 0};  // a lone surrogate
  EXPECT_EQ(Utf16LeToGbk(lone, 2), "?x");
  EXPECT_EQ(WideCharToGbk(u'歌'), "\xB8\xE8");
  EXPECT_EQ(WideCharToGbk(u'A'), "A");
  EXPECT_EQ(WideCharToGbk(u'\x0E3F'), "?");  // Thai baht sign
}

TEST(Utf8, Validation) {
  EXPECT_TRUE(IsValidUtf8("歌手 ok"));
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));      // overlong slash
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // a surrogate
  EXPECT_FALSE(IsValidUtf8("\xE6\xAD"));
}

// What auto takes for UTF-8 and what for GBK, from the bytes alone.
TEST(CodePage, AutoWeighsTheUtf8Reading) {
  const std::pair<std::string, bool> cases[] = {
      {"\xE4\xB8\xAD\xE6\x96\x87", true},  // 中文 in UTF-8
      {"Beyonc\xC3\xA9", true},            // an accent inside a Latin word
      {"\u00E9cole", true},                // or at its start (\xC3\xA9 is 茅 in GBK)
      {"M\xC3\xB6tley Cr\xC3\xBC"
       "e",
       true},
      {"\xD0\x9A\xD0\xB8\xD0\xBD\xD0\xBE", true},  // Кино: no GB2312 reading
      {"\xF0\x9F\x8E\xB5 x", true},                // emoji
      {"\xED\x95\x9C\xEA\xB5\xAD", true},          // 한국 (Korean)
      {"\xD6\xD0\xCE\xC4", false},                 // 中文 in GBK: not UTF-8 at all
      {"\xD4\xAD", false},                         // 原 in GBK: U+052D as UTF-8
      {"\xD4\xAD"
       "0",
       false},
      {"\xC2\x84", false},          // 聞: a C1 control as UTF-8
      {"\xC3\xA9", false},          // 茅 alone: é with no word around it
      {"\xD0\xB6\xD0\xB7", false},  // 卸蟹: GB2312 hanzi read as Cyrillic
      {"\xEE\x80\x80", false},      // private use
      {"plain", false},
  };
  for (const auto& [bytes, utf8] : cases) EXPECT_EQ(AutoTakesAsUtf8(bytes), utf8) << bytes;
}

TEST(CodePage, DecodesLegacyTextWithTheChosenPage) {
  struct TCase {
    std::string Bytes;
    TCodePage Page;
    std::string Utf8;
  };
  const TCase cases[] = {
      {"\xD6\xD0\xCE\xC4", TCodePage::Auto, "中文"},
      {"\xD6\xD0\xCE\xC4", TCodePage::Gbk, "中文"},
      {"\xE4\xB8\xAD\xE6\x96\x87", TCodePage::Auto, "中文"},
      {"\xE4\xB8\xAD\xE6\x96\x87", TCodePage::Gbk, "涓\xEF\xBF\xBD枃"},  // GBK says so
      {"\xA4\xA4\xA4\xE5", TCodePage::Big5, "中文"},
      {"\x93\xFA\x96\x7B", TCodePage::ShiftJis, "日本"},
      {"Sigur R\xF3s", TCodePage::Cp1252, "Sigur Rós"},
      {"\x80 5", TCodePage::Cp1252, "€ 5"},
      // A lone lead byte at the end: undecodable, unless a full field cut it (below).
      {"ab\xB8", TCodePage::Gbk, "ab\xEF\xBF\xBD"},
      {"a\xFF"
       "b",
       TCodePage::Gbk,
       "a\xEF\xBF\xBD"
       "b"},                                                     // undecodable: U+FFFD
      {"D\xE9j\xE0 Vu", TCodePage::Auto, "D閖\xEF\xBF\xBD Vu"},  // Latin-1 is no GBK
      {"D\xE9j\xE0 Vu", TCodePage::Cp1252, "Déjà Vu"},
      // Latin-1 that passes for GBK (R\xF3s reads as R髎s): auto takes it for undecodable.
      {"Sigur R\xF3s", TCodePage::Auto, "\xEF\xBF\xBD"},
      {"Sigur R\xF3s", TCodePage::Gbk, "Sigur R髎"},
      {"\xC9"
       "dith Piaf",
       TCodePage::Auto, "\xEF\xBF\xBD"},  // \xC9d is a GBK character too
      {"\xC9"
       "dith Piaf",
       TCodePage::Cp1252, "Édith Piaf"},
      {"\xCC\xD5\x86\xB4", TCodePage::Auto, "陶喆"},  // an extension character: still GBK
      {"s\xA8\x44", TCodePage::Auto, "s―"},
      {"plain", TCodePage::Big5, "plain"},
  };
  for (const auto& t : cases)
    EXPECT_EQ(LegacyToUtf8(t.Bytes, t.Page), t.Utf8) << t.Bytes << " " << static_cast<int>(t.Page);
  EXPECT_EQ(LegacyToUtf8("ab\xB8", TCodePage::Gbk, true), "ab");
  EXPECT_EQ(LegacyToUtf8("Beyonc\xE9", TCodePage::Auto), "Beyonc\xEF\xBF\xBD");
  TCodePage page = TCodePage::Auto;
  EXPECT_TRUE(CodePageByName("SJIS", page));
  EXPECT_EQ(page, TCodePage::ShiftJis);
  EXPECT_FALSE(CodePageByName("latin1", page));
}

}  // namespace
}  // namespace tunaro::platform
