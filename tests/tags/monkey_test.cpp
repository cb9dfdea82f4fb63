#include "tags/monkey.h"

#include <gtest/gtest.h>

#include <random>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::APEItem;
using test::APETag;
using test::ID3v1Block;
using test::TTempDir;

std::string LE16(uint16_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8)};
}
std::string LE32(uint32_t v) {
  return LE16(static_cast<uint16_t>(v)) + LE16(static_cast<uint16_t>(v >> 16));
}

struct THeaderBytes {
  std::string ID = "MAC ";
  uint16_t Flags = 0;
  uint16_t Channels = 2;
  uint32_t SampleRate = 44100;
};

std::string MacHeader(const THeaderBytes& h) {
  return h.ID                                                // identifier
         + LE16(3970)                                        // version (old layout)
         + LE16(2000)                                        // compression level
         + LE16(h.Flags)                                     // format flags
         + LE16(h.Channels) + LE32(h.SampleRate) + LE32(44)  // WAV header bytes
         + LE32(0)                                           // terminating bytes
         + LE32(12)                                          // total frames
         + LE32(4000)                                        // final frame samples
         + LE32(0x7FFF)                                      // peak level
         + LE32(9);                                          // seek elements
}

// The 3.98 layout: a 52-byte descriptor (its size given at byte 8, the header's at 12) and
// a 24-byte header after it.
struct TDescriptorBytes {
  uint16_t Version = 3990;
  uint32_t DescriptorBytes = 52;
  uint32_t HeaderBytes = 24;
  uint16_t Channels = 2;
  uint32_t SampleRate = 44100;
};

std::string MacDescriptor(const TDescriptorBytes& d) {
  std::string descriptor = "MAC " + LE16(d.Version) + LE16(0)  // padding
                           + LE32(d.DescriptorBytes) + LE32(d.HeaderBytes) +
                           LE32(40)                    // seek table bytes
                           + LE32(44)                  // WAV header bytes
                           + LE32(5000)                // frame data bytes
                           + LE32(0)                   // frame data bytes, high word
                           + LE32(6)                   // terminating bytes
                           + std::string(16, '\x11');  // MD5
  // Padding up to a sane length; a larger size points past the file's end.
  if (d.DescriptorBytes > 52 && d.DescriptorBytes < 4096)
    descriptor += std::string(d.DescriptorBytes - 52, '\0');
  return descriptor + LE16(3000)  // compression level
         + LE16(0x20)             // format flags
         + LE32(73728)            // blocks per frame
         + LE32(1234)             // final frame blocks
         + LE32(3)                // total frames
         + LE16(24)               // bits per sample
         + LE16(d.Channels) + LE32(d.SampleRate);
}

class MonkeyTest : public ::testing::Test {
 protected:
  bool Load(const std::string& bytes) { return Ape.Load(Dir.Write("t.ape", bytes)); }
  TTempDir Dir;
  TMonkey Ape;
};

TEST_F(MonkeyTest, ReadsHeaderAndTheTextsOfItsID3v1Tag) {
  const std::string file = MacHeader({.Flags = 4 | 16}) + std::string(100, 'a') +
                           ID3v1Block("Song", "Artist", "Album", "1999", "Note", 5);
  ASSERT_TRUE(Load(file));
  EXPECT_TRUE(Ape.Found());
  EXPECT_EQ(Ape.FileSize, static_cast<int32_t>(file.size()));
  const auto& h = Ape.Header;
  EXPECT_EQ(h.Version, 3970);
  EXPECT_EQ(h.CompressionLevel, 2000);
  EXPECT_EQ(h.Channels, 2);
  EXPECT_EQ(h.SampleRate, 44100);
  EXPECT_EQ(h.WavHeaderBytes, 44);
  EXPECT_EQ(h.TotalFrames, 12);
  EXPECT_EQ(h.FinalFrameSamples, 4000);
  EXPECT_EQ(h.PeakLevel, 0x7FFF);
  EXPECT_EQ(h.SeekElements, 9);
  EXPECT_EQ(Ape.ID3v1->Artist, "Artist");
  EXPECT_EQ(Ape.ID3v1->Title, "Song");
  EXPECT_EQ(Ape.ID3v1->Track, 5);
}

TEST_F(MonkeyTest, PeakLevelAndSeekElementsNeedTheirFlags) {
  const struct {
    uint16_t Flags;
    int32_t Peak, Seek;
  } cases[] = {{0, 0, 0}, {4, 0x7FFF, 0}, {16, 0, 9}, {4 | 16, 0x7FFF, 9}, {0xFFEB, 0, 0}};
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(MacHeader({.Flags = c.Flags}) + std::string(100, 'a')));
    EXPECT_EQ(Ape.Header.PeakLevel, c.Peak) << c.Flags;
    EXPECT_EQ(Ape.Header.SeekElements, c.Seek) << c.Flags;
    EXPECT_TRUE(Ape.Found());  // without an ID3v1 tag: found, all texts empty
    EXPECT_FALSE(Ape.ID3v1->Found);
  }
}

TEST_F(MonkeyTest, FoundNeedsTheExactIdentifierChannelsAndAPositiveRate) {
  const struct {
    const char* What;
    std::string Bytes;
  } cases[] = {
      {"no channels", MacHeader({.Channels = 0})},
      {"rate with its top bit set", MacHeader({.SampleRate = 0x8000AC44})},
      {"rate 0", MacHeader({.SampleRate = 0})},
      {"no blank", MacHeader({.ID = std::string("MAC\0", 4)})},
      {"lower case", MacHeader({.ID = "mac "})},
      {"ID3v2 first", "ID3\x03" + std::string(6, '\0') + MacHeader({})},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(c.Bytes + std::string(100, 'a') + ID3v1Block("T", "A"))) << c.What;
    EXPECT_FALSE(Ape.Found()) << c.What;
    EXPECT_TRUE(Ape.ID3v1->Found) << c.What;  // read, but the rename run does not use it
  }
}

TEST_F(MonkeyTest, ReadsTheDescriptorLayoutFrom398On) {
  ASSERT_TRUE(Load(MacDescriptor({}) + std::string(100, 'a')));
  EXPECT_TRUE(Ape.Found());
  const auto& h = Ape.Header;
  EXPECT_EQ(std::string(h.ID, 4), "MAC ");
  EXPECT_EQ(h.Version, 3990);
  EXPECT_EQ(h.CompressionLevel, 3000);
  EXPECT_EQ(h.FormatFlags, 0x20);
  EXPECT_EQ(h.Channels, 2);
  EXPECT_EQ(h.SampleRate, 44100);
  EXPECT_EQ(h.WavHeaderBytes, 44);
  EXPECT_EQ(h.TerminatingBytes, 6);
  EXPECT_EQ(h.TotalFrames, 3);
  EXPECT_EQ(h.FinalFrameSamples, 1234);
  EXPECT_EQ(h.PeakLevel, 0);
  EXPECT_EQ(h.SeekElements, 10);
  EXPECT_EQ(Ape.BitsPerSample, 24);
  EXPECT_EQ(Ape.BlocksPerFrame, 73728u);
}

TEST_F(MonkeyTest, ADescriptorOrHeaderOutOfShapeIsNotFound) {
  const struct {
    const char* What;
    std::string Bytes;
    bool Found;
    uint16_t Channels;
  } cases[] = {
      {"a longer descriptor", MacDescriptor({.DescriptorBytes = 60}), true, 2},
      {"a longer header", MacDescriptor({.HeaderBytes = 40}), true, 2},
      {"mono", MacDescriptor({.Channels = 1, .SampleRate = 8000}), true, 1},
      {"version 3980", MacDescriptor({.Version = 3980}), true, 2},
      {"descriptor too small", MacDescriptor({.DescriptorBytes = 51}), false, 0},
      {"header too small", MacDescriptor({.HeaderBytes = 23}), false, 0},
      {"header beyond the file", MacDescriptor({.DescriptorBytes = 0x7FFFFFF0}), false, 0},
      {"no channels", MacDescriptor({.Channels = 0}), false, 0},
      {"rate 0", MacDescriptor({.SampleRate = 0}), false, 2},
      // Before 3.98 the same bytes are the old layout: the descriptor's size lands in the
      // flags, and its high half in the channels.
      {"version 3970", MacDescriptor({.Version = 3970}), false, 0},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(Load(c.Bytes + std::string(130, 'a'))) << c.What;
    EXPECT_EQ(Ape.Found(), c.Found) << c.What;
    EXPECT_EQ(Ape.Header.Channels, c.Channels) << c.What;
  }
}

TEST_F(MonkeyTest, OldLayoutBitsAndFrameSizeFollowFlagsAndVersion) {
  struct {
    uint16_t Flags;
    uint16_t BitsPerSample;
  } bits[] = {{0, 16}, {1, 8}, {8, 24}, {4 | 16, 16}};
  for (const auto& c : bits) {
    ASSERT_TRUE(Load(MacHeader({.Flags = c.Flags}) + std::string(100, 'a')));
    EXPECT_EQ(Ape.BitsPerSample, c.BitsPerSample) << c.Flags;
    EXPECT_EQ(Ape.BlocksPerFrame, 73728u * 4) << c.Flags;  // MacHeader says 3.99
  }
  ASSERT_TRUE(Load(MacHeader({.Channels = 0}) + std::string(100, 'a')));
  EXPECT_EQ(Ape.BitsPerSample, 0);
  EXPECT_EQ(Ape.BlocksPerFrame, 0u);
}

TEST_F(MonkeyTest, ReadsTheAPETagBeforeTheID3v1Tag) {
  const std::string tag = APETag({APEItem("Title", "Ape Title"), APEItem("Artist", "Björk")});
  const std::string id3 = ID3v1Block("ID3 Title", "ID3 Artist");
  for (const auto& head : {MacDescriptor({}), MacHeader({})}) {
    ASSERT_TRUE(Load(head + std::string(100, 'a') + tag + id3));
    EXPECT_TRUE(Ape.Found());
    EXPECT_EQ(Ape.APEv2->Title, "Ape Title");
    EXPECT_EQ(Ape.APEv2->Artist, "Björk");
    EXPECT_EQ(Ape.ID3v1->Title, "ID3 Title");
    ASSERT_TRUE(Load(head + std::string(100, 'a') + tag));
    EXPECT_EQ(Ape.APEv2->Title, "Ape Title");
    EXPECT_FALSE(Ape.ID3v1->Found);
  }
  EXPECT_FALSE(Load(tag));  // shorter than an ID3v1 tag: everything cleared
  EXPECT_FALSE(Ape.APEv2->Found);
  EXPECT_EQ(Ape.APEv2->Title, "");
}

TEST(MonkeyFiles, RealFiles) {
  TMonkey ape;
  ASSERT_TRUE(ape.Load(std::string(TUNARO_TEST_DATA) + "/vqf-ape-mpc-rm/mac-390-id3v1.ape"));
  EXPECT_TRUE(ape.Found());
  EXPECT_EQ(ape.Header.Version, 3900);
  EXPECT_EQ(ape.Header.CompressionLevel, 4000);
  EXPECT_EQ(ape.Header.Channels, 2);
  EXPECT_EQ(ape.Header.SampleRate, 44100);
  EXPECT_EQ(ape.Header.PeakLevel, 10201);  // flags 0x16: peak level and seek elements present
  EXPECT_EQ(ape.Header.SeekElements, 10);
  EXPECT_EQ(ape.ID3v1->Title, "Old Header");
  EXPECT_EQ(ape.ID3v1->Artist, "Monkey");
  EXPECT_EQ(ape.ID3v1->Track, 12);
  EXPECT_FALSE(ape.APEv2->Found);

  const std::string data = std::string(TUNARO_TEST_DATA) + "/vqf-ape-mpc-rm/";
  ASSERT_TRUE(ape.Load(data + "jmac-399-apev2.ape"));
  EXPECT_TRUE(ape.Found());
  EXPECT_EQ(ape.Header.Version, 3990);
  EXPECT_EQ(ape.Header.CompressionLevel, 2000);
  EXPECT_EQ(ape.Header.Channels, 2);
  EXPECT_EQ(ape.Header.SampleRate, 44100);
  EXPECT_EQ(ape.Header.TotalFrames, 1);
  EXPECT_EQ(ape.Header.FinalFrameSamples, 22050);
  EXPECT_EQ(ape.BitsPerSample, 16);
  EXPECT_EQ(ape.BlocksPerFrame, 73728u);
  EXPECT_EQ(ape.APEv2->Title, "东京の夜 🌙");
  EXPECT_EQ(ape.APEv2->Artist, "宇多田ヒカル/Björk");
  EXPECT_EQ(ape.APEv2->Track, 4);
  EXPECT_FALSE(ape.ID3v1->Found);
  ASSERT_TRUE(ape.Load(data + "jmac-399-mono-c4.ape"));
  EXPECT_TRUE(ape.Found());
  EXPECT_EQ(ape.Header.CompressionLevel, 4000);
  EXPECT_EQ(ape.Header.Channels, 1);
  EXPECT_EQ(ape.Header.SampleRate, 8000);
  EXPECT_FALSE(ape.APEv2->Found);

  const std::string samples = std::string(TUNARO_SAMPLES) + "/ape/";
  EXPECT_FALSE(ape.Load(samples + "mutagen-mac-396.ape"));  // 104 bytes: no room for a tag
  EXPECT_FALSE(ape.Found());
  for (const char* name : {"taglib-mac-399-tagged.ape", "exiftool-APE.ape"}) {
    EXPECT_TRUE(ape.Load(samples + name)) << name;
    EXPECT_TRUE(ape.Found()) << name;
    EXPECT_EQ(ape.Header.Channels, 2) << name;
    EXPECT_EQ(ape.Header.SampleRate, 44100) << name;
    EXPECT_EQ(ape.BitsPerSample, 16) << name;
    EXPECT_TRUE(ape.APEv2->Found) << name;
  }
  EXPECT_EQ(ape.APEv2->Artist, "Kraftwerk");
  // An ID3v2 tag before the header; a 3.92 that holds a descriptor, read the old way; an
  // ancient version.
  for (const char* name :
       {"taglib-mac-399-id3v2.ape", "mediafile-oldape.ape", "taglib-zerodiv.ape"}) {
    EXPECT_TRUE(ape.Load(samples + name)) << name;
    EXPECT_FALSE(ape.Found()) << name;
  }
}

TEST(MonkeyFuzz, TruncatedAndScrambledFilesEndQuietly) {
  TTempDir dir;
  const std::string real = test::ReadFile(TUNARO_TEST_DATA "/vqf-ape-mpc-rm/mac-390-id3v1.ape");
  ASSERT_EQ(real.size(), 256u);
  TMonkey ape;
  // Too short for an ID3v1 tag: a failure that clears everything, FileSize included.
  for (size_t n = 0; n <= real.size(); ++n) {
    EXPECT_EQ(ape.Load(dir.Write("cut.ape", real.substr(0, n))), n >= 128);
    EXPECT_EQ(ape.FileSize, n >= 128 ? static_cast<int32_t>(n) : 0);
    EXPECT_EQ(ape.Found(), n >= 128);
    EXPECT_EQ(ape.ID3v1->Found, n == real.size());
  }
  EXPECT_FALSE(ape.Load(dir / "none.ape"));
  EXPECT_EQ(std::string(ape.Header.ID, 4), std::string(4, '\0'));
  std::mt19937 random(4);
  for (int round = 0; round < 100; ++round) {
    std::string bytes = real;
    for (int k = 0; k < 4; ++k) bytes[random() % 40] = static_cast<char>(random());
    ASSERT_TRUE(ape.Load(dir.Write("scrambled.ape", bytes)));
    EXPECT_EQ(ape.ID3v1->Title, "Old Header");
  }
}

}  // namespace
}  // namespace tunaro::tags
