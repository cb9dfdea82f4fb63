// tunaro-cli rename on a model of a network share (tests/support/delayfs.c, a FUSE
// passthrough that counts every operation that would be a round trip): the run makes no more
// round trips per file than the sequential floor (bench/floor), with and without the
// read-ahead. Counted, not timed. Needs root, /dev/fuse and libfuse3; skipped, saying so,
// without.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

#ifdef TUNARO_DELAYFS

// Operations the model has served since it was mounted, by kind ("getattr", "open", ...).
std::map<std::string, long> Served(const std::string& stats) {
  // The model writes its counts every 200 ms.
  std::this_thread::sleep_for(std::chrono::milliseconds(450));
  std::map<std::string, long> served;
  std::ifstream in(stats);
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string kind;
    long count = 0;
    if (fields >> kind >> count && kind.find("max") == std::string::npos) served[kind] = count;
  }
  return served;
}

struct TShare {
  explicit TShare(const TTempDir& work, long delayUs) : Export(work.MakeDir("export")) {
    Mount = work.MakeDir("mnt");
    Stats = work / "stats";
    const TCommandResult up =
        RunCommand(TUNARO_DELAYFS, {Export, Mount},
                   {"", {{"DELAYFS_US", std::to_string(delayUs)}, {"DELAYFS_STATS", Stats}}});
    struct stat mounted, parent;
    Up = up.Status == 0 && stat(Mount.c_str(), &mounted) == 0 &&
         stat(work.Path().c_str(), &parent) == 0 && mounted.st_dev != parent.st_dev;
    Why = Up ? "" : "delayfs did not mount: " + up.Err;
  }
  ~TShare() {
    if (Up) RunCommand("/bin/fusermount3", {"-u", Mount});
  }
  // Round trips per file of `args` run over a fresh folder of `files` tagged files.
  double PerFile(const std::string& program, std::vector<std::string> args, int files) {
    // Made in the backing folder, which costs no round trip, under a name of its own: names
    // the model's kernel side has seen before would be looked up anew.
    const TTempDir folder(Export);
    for (int i = 0; i < files; ++i)
      folder.Write(std::to_string(i) + ".mp3", TaggedMp3("A", "T" + std::to_string(i)));
    const auto before = Served(Stats);
    args.push_back(Mount + folder.Path().substr(Export.size()));
    const TCommandResult r = RunCommand(program, args);
    EXPECT_LE(r.Status, 1) << r.Err;
    long total = 0;
    for (const auto& [kind, count] : Served(Stats)) total += count - before.at(kind);
    return static_cast<double>(total) / files;
  }
  std::string Export, Mount, Stats, Why;
  bool Up = false;
};

TEST(ShareModel, TheRunMakesNoMoreRoundTripsThanTheFloor) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting the share model needs root";
  if (access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse here";
  // With no delay every read is quick: the run reads alone. With a delay of a round trip
  // its reads are slow, and the read-ahead starts.
  for (const long delayUs : {0L, 2000L}) {
    SCOPED_TRACE("delay " + std::to_string(delayUs) + " us");
    TTempDir work;
    TShare share(work, delayUs);
    if (!share.Up) GTEST_SKIP() << share.Why;
    const int files = delayUs == 0 ? 300 : 120;
    const double floor = share.PerFile(TUNARO_FLOOR, {}, files);
    const double run = share.PerFile(TUNARO_CLI, {"rename"}, files);
    const double alone = share.PerFile(TUNARO_CLI, {"rename", "--read-ahead", "0"}, files);
    std::cout << "share model, delay " << delayUs << " us: round trips per file: floor " << floor
              << ", run " << run << ", --read-ahead 0 " << alone << "\n";
    EXPECT_GT(floor, 4.5);  // the model counts: at least open, read, release, rename
    EXPECT_LE(run, floor + 0.05);
    EXPECT_LE(alone, floor + 0.05);
  }
}

#else

TEST(ShareModel, TheRunMakesNoMoreRoundTripsThanTheFloor) {
  GTEST_SKIP() << "libfuse3 (libfuse3-dev) was not found when this was built: no share model";
}

#endif

}  // namespace
}  // namespace tunaro::test
