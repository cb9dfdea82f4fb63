// The MP4 box layouts that the library's real files do not show: 64-bit and to-the-end
// sizes, meta without version and flags, UTF-16 values, video tracks, bounds.
#include "tags/mp4.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using namespace std::string_literals;

std::string BE32(uint64_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string Box(const std::string& type, const std::string& body) {
  return BE32(8 + body.size()) + type + body;
}
// Size 1, the type, then the size in 64 bits.
std::string LargeBox(const std::string& type, const std::string& body, uint64_t size = 0) {
  return BE32(1) + type + BE32((size ? size : 16 + body.size()) >> 32) +
         BE32(size ? size : 16 + body.size()) + body;
}
// The name of an item that starts with the copyright sign of Mac Roman.
std::string Mark(const char* name) {
  return "\xA9"s + name;
}
// Type, locale, value.
std::string Data(const std::string& value, uint32_t type = 1) {
  return Box("data", BE32(type) + BE32(0) + value);
}
// An ISO meta: version and flags, then hdlr; a QuickTime one starts with hdlr.
std::string Meta(const std::string& ilst, bool versioned = true) {
  return Box("meta", (versioned ? BE32(0) : "") +
                         Box("hdlr", BE32(0) + BE32(0) + "mdirappl" + std::string(9, '\0')) + ilst);
}
// tkhd (version, flags: 1 enabled) and mdia/hdlr (version and flags, predefined, handler).
std::string Trak(const std::string& handler, bool enabled = true) {
  return Box("trak",
             Box("tkhd", BE32(enabled ? 3 : 0) + std::string(80, '\0')) +
                 Box("mdia", Box("hdlr", BE32(0) + BE32(0) + handler + std::string(12, '\0'))));
}
const std::string kIlst =
    Box("ilst", Box(Mark("nam"), Data("Title")) + Box(Mark("ART"), Data("Artist")));
const std::string kFtyp = Box("ftyp", "M4A "s + BE32(0) + "M4A isom");
const std::string kMdat = Box("mdat", std::string(300, '\x55'));
std::string MoovLast(const std::string& moovBody) {
  return kFtyp + kMdat + Box("moov", Trak("soun") + moovBody);
}

struct TLayout {
  const char* What;
  std::string Bytes;
  bool Found;
  std::string Title, Artist, AlbumArtist = "", Comment = "";
  uint16_t Track = 0;
};

TEST(MP4, ReadsTheItemListInEachLayout) {
  const std::string trkn = Box("trkn", Data("\0\0\0\x07\0\x0C\0\0"s, 0));
  const std::string big(TMP4::kMaxTextBytes + 1, 'x');
  const TLayout layouts[] = {
      {"moov last, ISO meta", MoovLast(Box("udta", Meta(kIlst))), true, "Title", "Artist"},
      {"QuickTime meta", MoovLast(Box("udta", Meta(kIlst, false))), true, "Title", "Artist"},
      {"meta straight in moov", MoovLast(Meta(kIlst)), true, "Title", "Artist"},
      {"64-bit sizes", kFtyp + LargeBox("mdat", "xyz") + LargeBox("moov", Box("udta", Meta(kIlst))),
       true, "Title", "Artist"},
      {"moov to the end", kFtyp + kMdat + BE32(0) + "moov" + Box("udta", Meta(kIlst)), true,
       "Title", "Artist"},
      {"mdat to the end holds the rest", kFtyp + BE32(0) + "mdat" + Box("moov", Meta(kIlst)), false,
       "", ""},
      {"UTF-16BE, with and without a byte-order mark",
       MoovLast(Box("udta",
                    Meta(Box("ilst", Box(Mark("nam"), Data("\x4E\x2D\x65\x87"s, 2)) +
                                         Box(Mark("ART"), Data("\xFE\xFF\xD8\x3D\xDE\x00"s, 2)))))),
       true, "中文", "\xF0\x9F\x98\x80"},
      {"several values joined and trimmed, album artist, track",
       MoovLast(Box("udta", Meta(Box("ilst", Box(Mark("ART"), Data(" A ") + Data("B\0junk"s)) +
                                                 Box("aART", Data("AA")) + trkn)))),
       true, "", "A/B", "AA", "", 7},
      {"a value over the bound is passed over, and an unknown data type",
       MoovLast(Box("udta", Meta(Box("ilst", Box(Mark("cmt"), Data(big) + Data("C")) +
                                                 Box(Mark("nam"), Data("N", 21)))))),
       true, "", "", "", "C"},
      {"a size past its parent ends the walk",
       MoovLast(
           Box("udta", Meta(Box("ilst", Box(Mark("nam"), Data("T")) + BE32(99) + Mark("ART"))))),
       true, "T", ""},
      {"an enabled video track", MoovLast(Trak("vide") + Box("udta", Meta(kIlst))), false, "", ""},
      {"a disabled one: chapter pictures", MoovLast(Trak("vide", false) + Box("udta", Meta(kIlst))),
       true, "Title", "Artist"},
  };
  test::TTempDir dir;
  for (const TLayout& l : layouts) {
    TMP4 t;
    t.Load(dir.Write("t.m4a", l.Bytes));
    EXPECT_EQ(std::tie(t.Found, t.Title, t.Artist, t.AlbumArtist, t.Comment, t.Track),
              std::tie(l.Found, l.Title, l.Artist, l.AlbumArtist, l.Comment, l.Track))
        << l.What;
  }
}

TEST(MP4, FindsAMoovAfterMediaDataBeyondFourGiB) {
  // A sparse file: 5 GiB of media data with a 64-bit size, never read, then the moov.
  test::TTempDir dir;
  const uint64_t mdat = 5ull << 30;
  const std::string path = dir.Write("big.m4a", kFtyp + LargeBox("mdat", "", mdat));
  std::filesystem::resize_file(path, kFtyp.size() + mdat);
  std::ofstream(path, std::ios::app | std::ios::binary) << Box("moov", Box("udta", Meta(kIlst)));
  TMP4 t;
  EXPECT_TRUE(t.Load(path));
  EXPECT_TRUE(t.Found);
  EXPECT_EQ(t.Title, "Title");
}

}  // namespace
}  // namespace tunaro::tags
