// Faults of the file system met by a rename run on real files: taken names, names taken by
// another process during the run, files that vanish, read-only files and folders,
// unreadable subfolders, FIFOs, and a disk that fills while the log or undo file grows.
// For each, every file's bytes are compared before and after: none may be lost or replaced,
// and every outcome must be counted and logged.
//
// We run as root in CI containers, where permission checks do not apply; the permission
// cases run in a forked child that takes the identity of "nobody" (or are skipped when that
// is not possible).
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/readers.h"
#include "engine/rename_run.h"
#include "engine/run_files.h"
#include "engine/scan.h"
#include "engine/undo_replay.h"
#include "platform/codec.h"
#include "platform/fs_calls.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;

// Every file under a folder by its relative path, with its bytes.
using TFolder = std::map<std::string, std::string>;

TFolder Snapshot(const std::string& root) {
  TFolder files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(
           root, fs::directory_options::skip_permission_denied, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file(ec))
      files[fs::relative(it->path(), root).string()] = ReadFile(it->path());
  }
  return files;
}

// The hashes of the files' bytes, sorted: short enough to read in a failure message.
std::vector<uint64_t> Contents(const TFolder& folder) {
  std::vector<uint64_t> contents;
  for (const auto& [name, bytes] : folder) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
    contents.push_back(h);
  }
  std::sort(contents.begin(), contents.end());
  return contents;
}

// No file lost, none replaced, none duplicated: the same bytes, file for file, whatever the
// names became. The test files all differ, so a replaced file would be missed here.
void ExpectNoBytesLost(const TFolder& before, const TFolder& after) {
  EXPECT_EQ(Contents(before), Contents(after));
  EXPECT_EQ(before.size(), after.size());
}

std::vector<std::string> CrLfLines(const std::string& gbk) {
  const std::string text = platform::GbkToUtf8(gbk);
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();  // a line cut by a full disk
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

size_t CountPrefix(const std::vector<std::string>& lines, const std::string& prefix) {
  return static_cast<size_t>(std::count_if(lines.begin(), lines.end(),
                                           [&](const auto& l) { return l.rfind(prefix, 0) == 0; }));
}

// What a run in a child process reports back through a pipe.
struct TChildResult {
  bool Ran = false;
  engine::TCounters Counters;
  int Errno = 0;
  int32_t Entries = 0;
};

// Runs `fn` in a forked child. With `dropPrivileges`, a child of root first becomes "nobody"
// so that permission checks apply; any other user has them already. Returns what the child
// wrote; Ran is false when the child could not take the identity or died.
TChildResult InChild(bool dropPrivileges, const std::function<TChildResult()>& fn) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (dropPrivileges && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setresgid(kNobody, kNobody, kNobody) != 0 ||
         setresuid(kNobody, kNobody, kNobody) != 0))
      _exit(3);
    const TChildResult r = fn();
    if (write(fds[1], &r, sizeof r) != static_cast<ssize_t>(sizeof r)) _exit(4);
    _exit(0);
  }
  close(fds[1]);
  TChildResult r;
  const bool got = read(fds[0], &r, sizeof r) == static_cast<ssize_t>(sizeof r);
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!got || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
  return r;
}

void ChownTree(const std::string& root) {
  (void)!chown(root.c_str(), kNobody, kNobody);
  for (const auto& e : fs::recursive_directory_iterator(root))
    (void)!lchown(e.path().c_str(), kNobody, kNobody);
}

class FaultInjectionTest : public ::testing::Test {
 protected:
  // A tagged MP3 whose bytes differ from every other test file.
  std::string Add(const std::string& name, const std::string& artist, const std::string& title) {
    return Music.Write(name, "unique:" + name + "\n" + TaggedMp3(artist, title, ++Track_));
  }

  void Scan(bool recursive = false) {
    Host.Run.ProcessSubDirectory = recursive;
    engine::FolderRefresh(Host, Music.Path());
  }

  void CheckAll() { Host.List.SetAllChecked(true); }

  platform::TIoError Run(bool keepLog, bool undo) {
    engine::TRunSettings s;
    s.Template = "%1 - %2";
    s.KeepLog = keepLog;
    s.CreateUndoBatch = undo;
    s.Clock = [] { return platform::TDateTimeTexts{"2026-12-07", "22:00:00"}; };
    return engine::RenameRun(Host, Readers, s);
  }

  std::vector<std::string> LogLines() const {
    return CrLfLines(ReadFile(LogDir + "/" + engine::kRunLogName));
  }
  std::string UndoPath() const {
    return LogDir + "/" + engine::UndoBatchName({"2026-12-07", "22:00:00"});
  }
  std::vector<std::string> UndoLines() const { return CrLfLines(ReadFile(UndoPath())); }

  // The folder the log and undo files go to; a test may mount a small file system on it.
  void SetLogDir(const std::string& dir) {
    LogDir = dir;
    Host.Desktop = dir;
  }

  TTempDir Music, Desktop;
  std::string LogDir = Desktop.Path();
  TRecordingHost Host{Desktop.Path()};
  engine::TReaders Readers;

 private:
  uint8_t Track_ = 0;
};

TEST_F(FaultInjectionTest, TakenTargetNameFailsAndIsLoggedWithoutReplacing) {
  Add("a.mp3", "X", "Y");
  Music.Write("X - Y.mp3", "someone else's file");
  Scan();
  for (size_t i = 0; i < Host.List.Count(); ++i)
    Host.List.SetChecked(i, Host.List.Path(i) == Music / "a.mp3");
  const TFolder before = Snapshot(Music.Path());

  EXPECT_FALSE(Run(true, true));
  ExpectNoBytesLost(before, Snapshot(Music.Path()));
  EXPECT_EQ(Snapshot(Music.Path()), before);
  EXPECT_EQ(Host.Run.Counters.Failure, 1);
  EXPECT_EQ(Host.Run.Counters.Success, 0);
  const auto log = LogLines();
  EXPECT_EQ(CountPrefix(log, "失败：" + (Music / "a.mp3") + " -> " + (Music / "X - Y.mp3")), 1u);
  EXPECT_EQ(UndoLines().size(), 2u);  // the two rem lines only
}

// Another process takes the name a file is about to get, between the scan and its rename.
TEST_F(FaultInjectionTest, TargetCreatedByAnotherProcessDuringTheRun) {
  for (int i = 0; i < 6; ++i) Add("t" + std::to_string(i) + ".mp3", "A", "T" + std::to_string(i));
  Scan();
  CheckAll();
  Host.OnRefresh = [&] {
    // Once the run is under way, another process claims every name still to come.
    if (Host.Run.Counters.Success + Host.Run.Counters.Failure != 2) return;
    for (int i = 0; i < 6; ++i) {
      const std::string target = Music / ("A - T" + std::to_string(i) + ".mp3");
      const TChildResult r = InChild(false, [&] {
        const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd >= 0) {
          const std::string bytes = "intruder " + target;
          (void)!write(fd, bytes.data(), bytes.size());
          close(fd);
        }
        return TChildResult{true, {}, 0, 0};
      });
      ASSERT_TRUE(r.Ran);
    }
    Host.OnRefresh = nullptr;
  };
  const TFolder before = Snapshot(Music.Path());

  EXPECT_FALSE(Run(true, true));
  const TFolder after = Snapshot(Music.Path());
  EXPECT_EQ(Host.Run.Counters.Success, 2);
  EXPECT_EQ(Host.Run.Counters.Failure, 4);
  // Every source's bytes are there, and so is every intruder's file, untouched.
  for (const auto& [name, bytes] : before)
    EXPECT_NE(
        std::find_if(after.begin(), after.end(), [&](const auto& f) { return f.second == bytes; }),
        after.end())
        << name;
  EXPECT_EQ(after.size(), before.size() + 4);
  for (const auto& [name, bytes] : after)
    if (bytes.rfind("intruder ", 0) == 0) {
      EXPECT_EQ(bytes, "intruder " + (Music / name));
    }
  const auto log = LogLines();
  EXPECT_EQ(CountPrefix(log, "成功："), 2u);
  EXPECT_EQ(CountPrefix(log, "失败："), 4u);
  EXPECT_EQ(CountPrefix(UndoLines(), "ren "), 2u);
}

TEST_F(FaultInjectionTest, SourceDeletedBetweenScanAndRename) {
  Add("keep.mp3", "K", "Keep");
  Add("gone.mp3", "G", "Gone");
  Add("late.mp3", "L", "Late");
  Scan();
  CheckAll();
  ASSERT_EQ(unlink((Music / "gone.mp3").c_str()), 0);
  // And one more vanishes while the run is under way, before its turn.
  Host.OnRefresh = [&] {
    if (Host.Run.Counters.Success + Host.Run.Counters.Failure == 1) {
      unlink((Music / "late.mp3").c_str());
      Host.OnRefresh = nullptr;
    }
  };
  TFolder before = Snapshot(Music.Path());
  before.erase("late.mp3");  // deleted on purpose below

  EXPECT_FALSE(Run(true, true));
  ExpectNoBytesLost(before, Snapshot(Music.Path()));
  const auto& c = Host.Run.Counters;
  EXPECT_EQ(c.Success + c.Failure, 3);
  EXPECT_GE(c.Failure, 1);
  // A file that is gone has no tag to read: a failure with no new name.
  EXPECT_EQ(CountPrefix(LogLines(), "失败：" + (Music / "gone.mp3") + " -> "), 1u);
  EXPECT_TRUE(Exists(Music / "K - Keep.mp3") || Exists(Music / "keep.mp3"));
}

TEST_F(FaultInjectionTest, ReadOnlyFileIsRenamedAndLosesTheFlag) {
  const std::string path = Add("ro.mp3", "R", "O");
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  Scan();
  CheckAll();
  const TFolder before = Snapshot(Music.Path());
  EXPECT_FALSE(Run(true, true));
  ExpectNoBytesLost(before, Snapshot(Music.Path()));
  EXPECT_EQ(Host.Run.Counters.Success, 1);
  struct stat st;
  ASSERT_EQ(stat((Music / "R - O.mp3").c_str(), &st), 0);
  EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

// A read-only file that belongs to someone else: its flag cannot be cleared, so it fails
// without a log line and keeps its name and mode.
TEST_F(FaultInjectionTest, ReadOnlyFlagThatCannotBeClearedFailsWithoutLogLine) {
  Add("mine.mp3", "M", "Mine");
  const std::string theirs = Add("theirs.mp3", "T", "Theirs");
  ChownTree(Music.Path());
  ChownTree(Desktop.Path());
  if (chown(theirs.c_str(), 0, 0) != 0) GTEST_SKIP() << "cannot give a file to another user here";
  ASSERT_EQ(chmod(theirs.c_str(), 0444), 0);
  const TFolder before = Snapshot(Music.Path());

  const TChildResult r = InChild(true, [&] {
    Scan();
    CheckAll();
    const auto error = Run(true, true);
    return TChildResult{true, Host.Run.Counters, error.Errno,
                        static_cast<int32_t>(Host.List.Count())};
  });
  if (!r.Ran) GTEST_SKIP() << "cannot run as nobody here";
  EXPECT_EQ(r.Errno, 0);
  EXPECT_EQ(UndoLines().size(), 3u);  // the refused file's line was taken back
  EXPECT_EQ(r.Counters.Success, 1);
  EXPECT_EQ(r.Counters.Failure, 1);
  ExpectNoBytesLost(before, Snapshot(Music.Path()));
  EXPECT_TRUE(Exists(theirs));
  const auto log = LogLines();
  EXPECT_EQ(CountPrefix(log, "成功："), 1u);
  EXPECT_EQ(CountPrefix(log, "失败："), 0u);
  EXPECT_EQ(CountPrefix(log, "换名失败：1 个"), 1u);
}

TEST_F(FaultInjectionTest, FolderWithoutWritePermissionFailsEveryFileAndLogsIt) {
  Add("a.mp3", "A", "One");
  Add("b.mp3", "B", "Two");
  ChownTree(Music.Path());
  ChownTree(Desktop.Path());
  ASSERT_EQ(chmod(Music.Path().c_str(), 0555), 0);
  const TFolder before = Snapshot(Music.Path());

  const TChildResult r = InChild(true, [&] {
    Scan();
    CheckAll();
    const auto error = Run(true, true);
    return TChildResult{true, Host.Run.Counters, error.Errno,
                        static_cast<int32_t>(Host.List.Count())};
  });
  chmod(Music.Path().c_str(), 0755);
  if (!r.Ran) GTEST_SKIP() << "cannot run as nobody here";
  EXPECT_EQ(r.Entries, 2);
  EXPECT_EQ(r.Counters.Failure, 2);
  EXPECT_EQ(r.Counters.Success, 0);
  EXPECT_EQ(Snapshot(Music.Path()), before);
  EXPECT_EQ(CountPrefix(LogLines(), "失败："), 2u);
  EXPECT_EQ(UndoLines().size(), 2u);
}

TEST_F(FaultInjectionTest, UnreadableSubfolderContributesNothingToARecursiveScan) {
  Add("top.mp3", "T", "Top");
  Add("open/inside.mp3", "I", "Inside");
  Add("closed/hidden.mp3", "H", "Hidden");
  const TFolder before = Snapshot(Music.Path());
  ChownTree(Music.Path());
  ChownTree(Desktop.Path());
  ASSERT_EQ(chmod((Music / "closed").c_str(), 0), 0);

  const TChildResult r = InChild(true, [&] {
    Scan(true);
    CheckAll();
    const auto error = Run(true, false);
    return TChildResult{true, Host.Run.Counters, error.Errno,
                        static_cast<int32_t>(Host.List.Count())};
  });
  chmod((Music / "closed").c_str(), 0755);
  if (!r.Ran) GTEST_SKIP() << "cannot run as nobody here";
  EXPECT_EQ(r.Entries, 2);
  EXPECT_EQ(r.Counters.Success, 2);
  ExpectNoBytesLost(before, Snapshot(Music.Path()));
  EXPECT_TRUE(Exists(Music / "closed/hidden.mp3"));
  EXPECT_TRUE(Exists(Music / "open/I - Inside.mp3"));
  EXPECT_EQ(CountPrefix(LogLines(), "总共找到mp3文件：2 个"), 1u);
}

// A FIFO named like an audio file must neither be listed nor, when dropped, block the run.
TEST_F(FaultInjectionTest, FifoNamedLikeAnAudioFileNeverBlocks) {
  Add("real.mp3", "R", "Real");
  ASSERT_EQ(mkfifo((Music / "pipe.mp3").c_str(), 0644), 0);
  const TFolder before = Snapshot(Music.Path());

  const TChildResult r = InChild(false, [&] {
    alarm(10);  // a blocked open would otherwise hang the suite
    Scan();
    const int32_t listed = static_cast<int32_t>(Host.List.Count());
    engine::DropFiles(Host, {Music / "pipe.mp3", Music / "real.mp3"});
    CheckAll();
    const auto error = Run(true, false);
    return TChildResult{true, Host.Run.Counters, error.Errno, listed};
  });
  ASSERT_TRUE(r.Ran) << "the run blocked on the FIFO or died";
  EXPECT_EQ(r.Entries, 1);
  EXPECT_EQ(r.Counters.Success, 1);
  EXPECT_EQ(r.Counters.Failure, 1);
  ExpectNoBytesLost(before, Snapshot(Music.Path()));
  struct stat st;
  ASSERT_EQ(lstat((Music / "pipe.mp3").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(CountPrefix(LogLines(), "失败：" + (Music / "pipe.mp3") + " -> "), 1u);
}

// A network share that reports an error for a rename it made: the run counts the rename
// made, logs it, keeps its undo line. A tag that cannot be read fails its file.
TEST_F(FaultInjectionTest, ARenameMadeDespiteItsErrorIsASuccess) {
  Add("a.mp3", "A", "One");
  Add("b.mp3", "B", "Two");
  Scan();
  CheckAll();
  platform::FsCalls().RenameNoReplace = [](const char* from, const char* to) {
    if (platform::SystemFsCalls().RenameNoReplace(from, to) != 0) return -1;
    errno = EIO;
    return -1;
  };
  platform::FsCalls().Pread = [](int fd, void* buffer, size_t count, off_t offset,
                                 bool*) -> ssize_t {
    char path[64];
    const ssize_t n =
        readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), path, sizeof path - 1);
    if (n > 5 && std::string_view(path, static_cast<size_t>(n)).ends_with("/b.mp3")) {
      errno = EIO;
      return -1;
    }
    return pread(fd, buffer, count, offset);
  };
  const platform::TIoError error = Run(true, true);
  platform::FsCalls() = platform::SystemFsCalls();
  EXPECT_FALSE(error);
  EXPECT_EQ(Music.List(), (std::vector<std::string>{"A - One.mp3", "b.mp3"}));
  EXPECT_EQ(Host.Run.Counters.Success, 1);
  EXPECT_EQ(Host.Run.Counters.Failure, 1);
  EXPECT_EQ(CountPrefix(LogLines(), "成功："), 1u);
  EXPECT_EQ(CountPrefix(UndoLines(), "ren "), 1u);
}

// The log or undo file meets a full disk in mid-run: the run stops with "Disk full", every
// file renamed so far keeps its new name, nothing else is touched, and the undo lines that
// were written still bring the renamed files back.
class FullDiskTest : public FaultInjectionTest,
                     public ::testing::WithParamInterface<std::tuple<bool, bool, bool>> {};

TEST_P(FullDiskTest, StopsWithDiskFullAndKeepsEveryRenameSoFar) {
  const auto [useTmpfs, keepLog, undo] = GetParam();
  constexpr int kFiles = 120;
  for (int i = 0; i < kFiles; ++i) {
    const std::string n = std::to_string(1000 + i);
    Add("track " + n + " with a long name to fill the log sooner.mp3", "Artist " + n,
        "Title " + n + " also long enough to make the lines wide");
  }
  Scan();
  CheckAll();
  const TFolder before = Snapshot(Music.Path());

  TTempDir small;
  TChildResult r;
  if (useTmpfs) {
    if (mount("tmpfs", small.Path().c_str(), "tmpfs", 0, "size=8k") != 0)
      GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
    SetLogDir(small.Path());
    r = InChild(false, [&] {
      const auto error = Run(keepLog, undo);
      return TChildResult{true, Host.Run.Counters, error.Errno, 0};
    });
  } else {
    SetLogDir(small.Path());
    r = InChild(false, [&] {
      signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{6000, 6000};
      setrlimit(RLIMIT_FSIZE, &limit);
      const auto error = Run(keepLog, undo);
      return TChildResult{true, Host.Run.Counters, error.Errno, 0};
    });
  }
  const TFolder after = Snapshot(Music.Path());
  const std::string undoBytes = undo ? ReadFile(UndoPath()) : "";
  const auto log = keepLog ? LogLines() : std::vector<std::string>{};
  const auto undoLines = CrLfLines(undoBytes);
  if (useTmpfs) umount2(small.Path().c_str(), MNT_DETACH);

  ASSERT_TRUE(r.Ran);
  EXPECT_EQ(platform::IoErrorText(r.Errno), "Disk full");
  const auto& c = r.Counters;
  EXPECT_GT(c.Success, 0);
  EXPECT_LT(c.Success + c.Failure, kFiles) << "the run did not stop";
  ExpectNoBytesLost(before, after);
  size_t renamedOnDisk = 0;
  for (const auto& [name, bytes] : after) renamedOnDisk += name.rfind("Artist ", 0) == 0;
  EXPECT_EQ(renamedOnDisk, static_cast<size_t>(c.Success));
  if (keepLog) {
    EXPECT_LE(CountPrefix(log, "成功："), static_cast<size_t>(c.Success));
  }

  if (undo) {
    // Every renamed file has its complete line, and every line brings its file back: a
    // rename whose line the full disk refused is not made.
    size_t fullLines = 0;
    for (const auto& line : undoLines)
      fullLines += line.rfind("ren ", 0) == 0 && line.size() > 4 && line.back() == '"';
    EXPECT_EQ(fullLines, static_cast<size_t>(c.Success));
    const auto batch = engine::ParseUndoBatch(undoBytes);
    const size_t failed = engine::ReplayUndoBatch(batch, false, [](const engine::TUndoOutcome&) {});
    EXPECT_EQ(failed, 0u);
    const TFolder restored = Snapshot(Music.Path());
    ExpectNoBytesLost(before, restored);
    size_t back = 0;
    for (const auto& [name, bytes] : restored)
      back += before.count(name) && before.at(name) == bytes;
    EXPECT_EQ(back, before.size());
  }
}

INSTANTIATE_TEST_SUITE_P(LogOrUndo, FullDiskTest,
                         ::testing::Values(std::make_tuple(true, true, true),
                                           std::make_tuple(true, false, true),
                                           std::make_tuple(false, true, true),
                                           std::make_tuple(false, false, true),
                                           std::make_tuple(false, true, false)),
                         [](const auto& test) {
                           return std::string(std::get<0>(test.param) ? "Tmpfs" : "FileSizeLimit") +
                                  (std::get<1>(test.param) ? "Log" : "") +
                                  (std::get<2>(test.param) ? "Undo" : "");
                         });

}  // namespace
}  // namespace tunaro::test
