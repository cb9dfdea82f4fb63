// Which of an MP3 file's tags gives each field where it has several (ID3v2 at the start or
// appended, APE, ID3v1), for the rules the library's files (make-library-layouts.sh) cannot
// show by artist and title alone, and what reading the tags at the end costs.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "engine/readers.h"
#include "platform/fs_calls.h"
#include "support/temp_dir.h"

namespace tunaro::engine {
namespace {

using namespace std::string_literals;
using test::APEItem;
using test::APETag;
using test::ID3v1Block;

std::string SyncSafe(size_t n) {
  return {char(n >> 21 & 0x7F), char(n >> 14 & 0x7F), char(n >> 7 & 0x7F), char(n & 0x7F)};
}

// An ID3v2 tag of text frames: version 2.3 with legacy texts, or version 2.4 with UTF-8 texts
// and a footer, as a tag appended at the end has.
std::string ID3(uint8_t version, const std::vector<std::pair<std::string, std::string>>& frames) {
  std::string body;
  for (const auto& [id, text] : frames) {
    const std::string data = (version == 4 ? "\x03"s : "\0"s) + text;
    const std::string size = SyncSafe(data.size());  // below 128: the same in 2.3
    body += id + size + "\0\0"s + data;
  }
  const std::string header =
      "ID3"s + char(version) + '\0' + char(version == 4 ? 0x10 : 0) + SyncSafe(body.size());
  return header + body + (version == 4 ? "3DI" + header.substr(3) : "");
}
std::string V23(const std::vector<std::pair<std::string, std::string>>& frames) {
  return ID3(3, frames);
}
std::string Appended(const std::vector<std::pair<std::string, std::string>>& frames) {
  return ID3(4, frames);
}

const std::string kAudio(3000, '\xFF');

struct TLayoutCase {
  const char* What;
  std::string Bytes;
  std::array<std::string, 6> Texts;  // %1..%6 as the reader gives them
};

TEST(MP3Layouts, EachFieldComesFromTheTagThatWinsIt) {
  const TLayoutCase cases[] = {
      {"an APE field over ID3v1's; an empty one leaves it",
       kAudio + APETag({APEItem("Title", "Ta")}) + ID3v1Block("T1", "A1", "", "", "", 3),
       {"A1", "Ta", "", "", "", "03"}},
      // Without the APE artist, ID3v1's artist would win over legacy ID3v2 text that differs.
      {"legacy ID3v2 text over APE's, ID3v1 still over ID3v2 where APE has none",
       V23({{"TPE1", "A2"}, {"TIT2", "T2"}}) + kAudio + APETag({APEItem("Artist", "Aa")}) +
           ID3v1Block("T1", "A1"),
       {"A2", "T1", "", "", "", "00"}},
      {"the APE track over ID3v1's",
       kAudio + APETag({APEItem("Track", "7/9")}) + ID3v1Block("T1", "A1", "", "", "", 3),
       {"A1", "T1", "", "", "", "07"}},
      {"the album artist of ID3v2 before APE's",
       V23({{"TPE2", "AA2"}, {"TIT2", "T2"}}) + kAudio + APETag({APEItem("Album Artist", "AAa")}),
       {"AA2", "T2", "", "", "", "00"}},
      {"no album artist where ID3v1 has the artist",
       kAudio + APETag({APEItem("Album Artist", "AAa")}) + ID3v1Block("T1", "A1"),
       {"A1", "T1", "", "", "", "00"}},
      {"an appended tag before APE and ID3v1",
       kAudio + Appended({{"TIT2", "T4"}}) + APETag({APEItem("Artist", "Aa")}) +
           ID3v1Block("T1", "A1"),
       {"Aa", "T4", "", "", "", "00"}},
      {"an appended tag where one stands at the start",
       V23({{"TIT2", "T2"}}) + kAudio + Appended({{"TPE1", "A4"}, {"TIT2", "T4"}}),
       {"", "T2", "", "", "", "00"}},
  };
  test::TTempDir dir;
  for (const TLayoutCase& c : cases) {
    const TTagRead read = ReadTag(TReaderKind::MP3, dir.Write("t.mp3", c.Bytes));
    EXPECT_TRUE(read.Found) << c.What;
    for (size_t i = 0; i < c.Texts.size(); ++i)
      EXPECT_EQ(read.Texts[i].Bytes, c.Texts[i]) << c.What << ", %" << i + 1;
  }
}

// The tags at the end of a file larger than the first read come with one more read, however
// many of them there are.
TEST(MP3Layouts, TheTagsAtTheEndCostOneRead) {
  static int reads;
  const auto counting = [](int fd, void* buffer, size_t count, off_t offset, bool* waited) {
    ++reads;
    return platform::SystemFsCalls().Pread(fd, buffer, count, offset, waited);
  };
  const std::string audio(100000, '\xFF');
  const std::string end = APETag({APEItem("Artist", "Aa")}) + ID3v1Block("T1", "A1");
  test::TTempDir dir;
  for (const std::string& bytes :
       {V23({{"TIT2", "T2"}}) + audio + end, audio + Appended({{"TIT2", "T4"}}) + end}) {
    const std::string path = dir.Write("t.mp3", bytes);
    reads = 0;
    platform::FsCalls().Pread = counting;
    const TTagRead read = ReadTag(TReaderKind::MP3, path);
    platform::FsCalls() = platform::SystemFsCalls();
    EXPECT_EQ(read.Texts[0].Bytes, "Aa");
    EXPECT_EQ(reads, 2) << "the head, then the end";
  }
}

}  // namespace
}  // namespace tunaro::engine
