// The WavPack reader's block header check, and its tags at the end.
#include "tags/wavpack.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::APEItem;
using test::APETag;
using test::ID3v1Block;
using test::LE16;
using test::LE32;

// A 32-byte block header and some block data.
std::string Block(uint16_t version, uint32_t flags, const std::string& id = "wvpk") {
  return id + LE32(200)          // block size
         + LE16(version)         // stream version
         + std::string(2, '\0')  // upper bytes of index and samples
         + LE32(8000)            // total samples
         + LE32(0)               // block index
         + LE32(8000)            // block samples
         + LE32(flags)           // flags: bytes per sample, mono, rate index
         + LE32(0)               // CRC
         + std::string(176, '\x55');
}

TEST(WavPackTest, ReadsTheHeaderAndTheTagsAtTheEnd) {
  const std::string tags =
      APETag({APEItem("Title", "Ape"), APEItem("Album Artist", "AA")}) + ID3v1Block("V1", "Artist");
  const struct {
    const char* What;
    std::string Bytes;
    bool Found;
    uint32_t Rate;
    uint8_t Bits;
  } cases[] = {
      {"16-bit stereo 44.1 kHz", Block(0x410, 1 | 9u << 23), true, 44100, 16},
      {"8-bit mono 8 kHz, 4.02", Block(0x402, 4 | 1u << 23), true, 8000, 8},
      {"a rate the header leaves out", Block(0x407, 3 | 15u << 23), true, 0, 32},
      {"version 4.01", Block(0x401, 1), false, 0, 0},
      {"version 4.17", Block(0x411, 1), false, 0, 0},
      {"another magic", Block(0x410, 1, "wvpK"), false, 0, 0},
  };
  test::TTempDir dir;
  for (const auto& c : cases) {
    TWavPack wv;
    // A tail beyond the first read of the head, so the tags come from a read of their own.
    ASSERT_TRUE(wv.Load(dir.Write("t.wv", c.Bytes + std::string(9000, '\x55') + tags))) << c.What;
    EXPECT_EQ(wv.Found, c.Found) << c.What;
    EXPECT_EQ(wv.SampleRate, c.Rate) << c.What;
    EXPECT_EQ(wv.BitsPerSample, c.Bits) << c.What;
    if (!c.Found) continue;
    EXPECT_EQ(wv.APEv2->Title, "Ape") << c.What;
    EXPECT_EQ(wv.APEv2->AlbumArtist, "AA") << c.What;
    EXPECT_EQ(wv.ID3v1->Title, "V1") << c.What;
  }
}

}  // namespace
}  // namespace tunaro::tags
