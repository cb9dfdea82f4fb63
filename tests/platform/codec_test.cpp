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

}  // namespace
}  // namespace tunaro::platform
