#include "platform/cache_warmer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tunaro::platform {
namespace {

using test::OpenDescriptors;
using test::ReadFile;
using test::TTempDir;

// A batch mixes what a folder can hold under an audio file's name. The warmer must pass by
// what is no regular file without opening it (a FIFO's open could wait for ever), close what
// it opened, and leave every file as it was; a list longer than a batch is warmed whole.
TEST(CacheWarmer, PassesByWhatIsNoFileAndLeavesEverythingAsItWas) {
  TTempDir dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 150; ++i)
    paths.push_back(dir.Write("small" + std::to_string(i) + ".mp3",
                              std::string(545, static_cast<char>('a' + i % 26))));
  const std::string large(20000, 'L');
  paths.push_back(dir.Write("large.mp3", large));
  paths.push_back(dir.Write("empty.mp3", ""));
  ASSERT_EQ(mkfifo((dir / "fifo.mp3").c_str(), 0644), 0);
  paths.push_back(dir / "fifo.mp3");
  ASSERT_EQ(symlink((dir / "fifo.mp3").c_str(), (dir / "link-to-fifo.mp3").c_str()), 0);
  paths.push_back(dir / "link-to-fifo.mp3");
  paths.push_back(dir.MakeDir("folder.mp3"));
  paths.push_back(dir / "missing.mp3");
  paths.push_back(dir.Write("locked.mp3", "x"));
  chmod(paths.back().c_str(), 0);

  for (const size_t batch : {size_t{1}, size_t{64}, size_t{1000}}) {
    TCacheWarmer warmer(batch);
    const size_t before = OpenDescriptors();
    warmer.Warm(paths);
    EXPECT_EQ(OpenDescriptors(), before) << "batch " << batch;
  }
  EXPECT_EQ(ReadFile(dir / "large.mp3"), large);
  EXPECT_EQ(ReadFile(dir / "small7.mp3"), std::string(545, 'h'));
  EXPECT_EQ(dir.List().size(), 156u);
}

}  // namespace
}  // namespace tunaro::platform
