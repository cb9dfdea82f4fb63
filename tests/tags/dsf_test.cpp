// The DSF reader on small files built here: the metadata offset and what it may point at.
#include "tags/dsf.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tunaro::tags {
namespace {

using test::ID3v2Tag;
using test::LE32;

std::string LE64(uint64_t v) {
  return LE32(static_cast<uint32_t>(v)) + LE32(static_cast<uint32_t>(v >> 32));
}
// The "DSD " chunk with the metadata offset given, the "fmt " chunk and a data chunk.
std::string Dsf(uint64_t metadata, uint64_t dsdSize = 28) {
  return "DSD " + LE64(dsdSize) + LE64(0)  // file size, not read
         + LE64(metadata)                  // metadata offset
         + "fmt " + LE64(52) + LE32(1)     // format version
         + LE32(0)                         // DSD raw
         + LE32(2) + LE32(2)               // stereo: channel type and count
         + LE32(5644800)                   // sample rate
         + LE32(1)                         // bits per sample
         + LE64(32768)                     // samples
         + LE32(4096) + LE32(0)            // block size, reserved
         + "data" + LE64(12 + 100) + std::string(100, '\x69');
}
const size_t kTagAt = Dsf(0).size();

TEST(DsfTest, ReadsTheTagAtTheMetadataOffsetOnly) {
  const struct {
    const char* What;
    std::string Bytes;
    bool Found;
    const char* Tag;
  } cases[] = {
      {"a tag at the offset", Dsf(kTagAt) + ID3v2Tag("Tag"), true, "Tag"},
      {"no metadata", Dsf(0) + ID3v2Tag("Tag"), true, ""},
      {"an offset into the header", Dsf(4) + ID3v2Tag("Tag"), true, ""},
      {"an offset beyond the file", Dsf(kTagAt + 100) + ID3v2Tag("Tag"), true, ""},
      {"an offset beyond 63 bits", Dsf(~uint64_t{0}) + ID3v2Tag("Tag"), true, ""},
      {"a tag cut by the file's end", Dsf(kTagAt) + ID3v2Tag("Tag", "", 40).substr(0, 30), true,
       ""},
      {"a DSD chunk of another size", Dsf(kTagAt, 92) + ID3v2Tag("Tag"), false, ""},
  };
  test::TTempDir dir;
  for (const auto& c : cases) {
    TDsf dsf;
    ASSERT_TRUE(dsf.Load(dir.Write("t.dsf", c.Bytes))) << c.What;
    EXPECT_EQ(dsf.Found, c.Found) << c.What;
    EXPECT_EQ(dsf.ID3v2->Title, c.Tag) << c.What;
    EXPECT_EQ(dsf.SampleRate, c.Found ? 5644800u : 0u) << c.What;
  }
}

}  // namespace
}  // namespace tunaro::tags
