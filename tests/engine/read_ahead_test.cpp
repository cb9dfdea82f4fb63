#include "engine/read_ahead.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#include "engine/rename_run.h"
#include "engine/scan.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace tunaro::engine {
namespace {

using test::OpenDescriptors;
using test::TaggedMp3;
using test::TRecordingHost;
using test::TTempDir;

constexpr int kFiles = 400;
// Far fewer than the files, so that the read-ahead refills many times.
constexpr size_t kWindow = 64;

std::string ID3v2OnlyMp3(const std::string& artist, const std::string& title) {
  const auto frame = [](const char* id, const std::string& text) {
    const std::string body = std::string(1, '\0') + text;
    const auto n = static_cast<uint32_t>(body.size());
    return std::string(id, 4) + char(n >> 24) + char(n >> 16) + char(n >> 8) + char(n) +
           std::string(2, '\0') + body;
  };
  const std::string frames = frame("TPE1", artist) + frame("TIT2", title);
  const auto n = static_cast<uint32_t>(frames.size());
  return std::string("ID3\3\0\0", 6) + char((n >> 21) & 0x7F) + char((n >> 14) & 0x7F) +
         char((n >> 7) & 0x7F) + char(n & 0x7F) + frames + std::string(600, '\xAA');
}

// ID3v1 and ID3v2 files, files without a tag, pairs that yield one name (the first of the
// pair must win), and a link to a file outside the list. The run begins some time after: a
// file changed just before it is read (and read ahead) is read again by the run.
void WriteLibrary(const TTempDir& dir) {
  for (int i = 0; i < kFiles; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "track%04d.mp3", i);
    const std::string title = "T" + std::to_string(i % 7 == 6 ? i - 1 : i);
    if (i == 15)
      ASSERT_EQ(
          symlink(dir.Write("target15.bin", TaggedMp3("A", title)).c_str(), (dir / name).c_str()),
          0);
    else if (i % 10 == 9)
      dir.Write(name, ID3v2OnlyMp3("A", title));
    else if (i % 31 == 30)
      dir.Write(name, std::string(900, '\0'));
    else
      dir.Write(name, TaggedMp3("A", title));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

struct TResult {
  std::vector<std::string> Names;
  TCounters Counters;
  std::vector<bool> Outcomes;
};

// Lists `dir`, checks everything and runs with the given read-ahead; `during` runs at every
// counter display refresh.
TResult RunOver(const TTempDir& dir, unsigned threads,
                std::function<void(TRecordingHost&)> during) {
  TRecordingHost host;
  FolderRefresh(host, dir.Path());
  host.List.SetAllChecked(true);
  host.Shown.clear();
  if (during) host.OnRefresh = [&] { during(host); };
  TReaders readers;
  TRunSettings settings;
  settings.Template = "%1 - %2";
  settings.ReadAheadThreads = threads;
  settings.ReadAheadWindow = kWindow;
  settings.ReadAheadAtOnce = true;  // the files were just written: they are in the cache
  EXPECT_FALSE(RenameRun(host, readers, settings));
  TResult r{dir.List(), host.Run.Counters, {}};
  for (const auto& o : host.Outcomes) r.Outcomes.push_back(o.Success);
  return r;
}

void ExpectSame(const TResult& a, const TResult& b) {
  EXPECT_EQ(a.Names, b.Names);
  EXPECT_EQ(a.Counters.Total, b.Counters.Total);
  EXPECT_EQ(a.Counters.Success, b.Counters.Success);
  EXPECT_EQ(a.Counters.Failure, b.Counters.Failure);
  EXPECT_EQ(a.Outcomes, b.Outcomes);
}

TEST(ReadAheadTest, SameNamesAndCountsWithAndWithout) {
  TTempDir without, with;
  WriteLibrary(without);
  WriteLibrary(with);
  const TResult a = RunOver(without, 0, nullptr);
  const TResult b = RunOver(with, 16, nullptr);
  ExpectSame(a, b);
  EXPECT_GT(a.Counters.Success, kFiles / 2);
  EXPECT_GT(a.Counters.Failure, 0);
}

TEST(ReadAheadTest, AListReplacedMidRunEndsTheRenamesAsWithout) {
  TTempDir without, with, other;
  WriteLibrary(without);
  WriteLibrary(with);
  other.Write("other.mp3", TaggedMp3("O", "P"));
  const auto replaceAt50 = [&](TRecordingHost& host) {
    if (host.Shown.size() == 50) DropFiles(host, {other / "other.mp3"});
  };
  const TResult a = RunOver(without, 0, replaceAt50);
  const TResult b = RunOver(with, 16, replaceAt50);
  ExpectSame(a, b);
  EXPECT_EQ(a.Outcomes.size(), 48u);  // entries 0..47; the dropped entry is unchecked
  EXPECT_EQ(other.List(), std::vector<std::string>{"other.mp3"});
}

// Runs two copies of the library, without and with read-ahead, making the same change to
// each when the counters have been shown `atRefresh` times; both must end alike. Returns
// the run with read-ahead.
TResult RunBothWithChange(size_t atRefresh, void (*change)(const TTempDir&)) {
  TTempDir without, with;
  WriteLibrary(without);
  WriteLibrary(with);
  const auto at = [&](const TTempDir& dir) {
    return [&, atRefresh](TRecordingHost& host) {
      if (host.Shown.size() == atRefresh) change(dir);
    };
  };
  const TResult a = RunOver(without, 0, at(without));
  const TResult b = RunOver(with, 16, at(with));
  ExpectSame(a, b);
  return b;
}

// After the listing, and before the read-ahead begins, entries become a FIFO (whose open
// could block), a folder, a file without read permission and a vanished file: the
// read-ahead passes them by and the run decides as ever.
TEST(ReadAheadTest, UnreadableFilesInTheWindow) {
  const TResult r = RunBothWithChange(1, [](const TTempDir& dir) {
    std::remove((dir / "track0003.mp3").c_str());
    ASSERT_EQ(mkfifo((dir / "track0003.mp3").c_str(), 0644), 0);
    std::remove((dir / "track0004.mp3").c_str());
    dir.MakeDir("track0004.mp3");
    chmod((dir / "track0005.mp3").c_str(), 0);
    std::remove((dir / "track0006.mp3").c_str());
  });
  ASSERT_EQ(r.Outcomes.size(), static_cast<size_t>(kFiles));
  EXPECT_FALSE(r.Outcomes[3]);
  EXPECT_FALSE(r.Outcomes[4]);
  EXPECT_FALSE(r.Outcomes[6]);
}

// Files changed after the threads have (most likely) read them: one written over in place
// (same size and inode, new times), one replaced by another file of the same size, and the
// target of a link written over (the link's own stamp stays). The run must name them by
// what they hold when it comes to them, as it does without read-ahead.
TEST(ReadAheadTest, AFileChangedAfterItWasReadAheadIsReadAgain) {
  // At the third showing entry 1 is next, and entries up to 63 are queued.
  const TResult r = RunBothWithChange(3, [](const TTempDir& dir) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    dir.Write("track0010.mp3", TaggedMp3("A", "rewritten in place"));
    dir.Write("target15.bin", TaggedMp3("A", "target rewritten"));
    dir.Write("swap.tmp", TaggedMp3("A", "T12"));
    ASSERT_EQ(std::rename((dir / "swap.tmp").c_str(), (dir / "track0011.mp3").c_str()), 0);
  });
  const std::vector<std::string>& names = r.Names;
  EXPECT_TRUE(std::binary_search(names.begin(), names.end(), "A - rewritten in place.mp3"));
  EXPECT_TRUE(std::binary_search(names.begin(), names.end(), "A - target rewritten.mp3"));
  // "T12" is also entry 12's title: the replaced file takes the name first, entry 12 fails.
  EXPECT_TRUE(std::binary_search(names.begin(), names.end(), "A - T12.mp3"));
  EXPECT_FALSE(std::binary_search(names.begin(), names.end(), "A - T11.mp3"));
  EXPECT_FALSE(r.Outcomes[12]);
}

// Under a low limit of open files (1024 is common on desktops, where 16 threads holding
// batches of 64 would take them all) the read-ahead keeps to a quarter of the limit, so that
// the run, its log and the window never lack a descriptor. The files are put out of the
// cache first, so that the threads warming it hold their batches open while they wait.
TEST(ReadAheadTest, ALowOpenFilesLimitLeavesTheRunItsDescriptors) {
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  TTempDir without, with;
  WriteLibrary(without);
  WriteLibrary(with);
  for (const std::string& name : with.List()) {
    const int fd = open((with / name).c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    fdatasync(fd);
    posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    close(fd);
  }
  const TResult a = RunOver(without, 0, nullptr);
  const size_t before = OpenDescriptors();
  rlimit low = saved;
  low.rlim_cur = 256;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  size_t most = 0;
  const TResult b =
      RunOver(with, 16, [&](TRecordingHost&) { most = std::max(most, OpenDescriptors()); });
  setrlimit(RLIMIT_NOFILE, &saved);
  ExpectSame(a, b);
  // A quarter of 256 for the warming threads, one file and its folder each for the 16 reading
  // threads, and a few more: the warmers' rings, the look at a batch's first file, the run's
  // folder, this count's own.
  EXPECT_LE(most, before + 64 + 2 * 16 + 8);
}

}  // namespace
}  // namespace tunaro::engine

namespace tunaro::engine {
namespace {

// Whether the file's start is in the page cache, asked without waiting for the disk.
bool Cached(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  char byte = 0;
  iovec io{&byte, 1};
  const bool cached = preadv2(fd, &io, 1, 0, RWF_NOWAIT) == 1;
  close(fd);
  return cached;
}

// A run starts with a core's worth of readers less than the machine has, which take the reads
// off the run's thread; every reader starts only once a read had to wait. In a warm folder the
// few read, in a cold one (the files' pages dropped from the cache) all of them do.
TEST(ReadAheadDecision, AllReadersStartOnlyForAFolderNotInTheCache) {
  for (const bool cold : {false, true}) {
    SCOPED_TRACE(cold ? "cold" : "warm");
    TTempDir dir;
    for (int i = 0; i < 200; ++i)
      dir.Write("t" + std::to_string(i) + ".mp3", TaggedMp3("A", "T" + std::to_string(i)));
    for (const std::string& name : dir.List()) {
      const int fd = open((dir / name).c_str(), O_RDONLY | O_CLOEXEC);
      if (cold) {
        fsync(fd);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
      }
      close(fd);
    }
    if (cold && Cached(dir / "t0.mp3"))
      GTEST_SKIP() << "the page cache of " << dir.Path() << " cannot be emptied (tmpfs?)";
    TRecordingHost host;
    FolderRefresh(host, dir.Path());
    host.List.SetAllChecked(true);
    TReaders readers;
    TRunSettings settings;
    settings.Template = "%1 - %2";
    TRunStats stats;
    EXPECT_FALSE(RenameRun(host, readers, settings, &stats));
    EXPECT_EQ(host.Run.Counters.Success, 200);
    const unsigned few = std::min(settings.ReadAheadThreads, TReadAhead::FewReaders());
    EXPECT_EQ(stats.ReadAheadThreads, cold ? settings.ReadAheadThreads : few);
    if (cold) {
      EXPECT_GT(stats.ReadAheadReads, 0u);
    }
  }
}

}  // namespace
}  // namespace tunaro::engine
