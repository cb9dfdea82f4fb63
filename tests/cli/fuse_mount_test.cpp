// tunaro-cli rename and undo on exFAT and NTFS images mounted through FUSE (exfat-fuse,
// ntfs-3g, lowntfs-3g with Windows' case rules) on loop devices: file systems without the
// no-replace flag, exFAT without hard links, and both case-insensitive ones with case rules
// of their own. Needs root and /dev/fuse; skipped, saying so, without.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "engine/readers.h"
#include "engine/rename_run.h"
#include "engine/scan.h"
#include "support/recording_host.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

struct TFuseKind {
  const char* Name;
  const char* Packages;
  const char* Mkfs;   // with its options
  const char* Mount;  // likewise
};

// An image in `dir` on a loop device, made and mounted, or Why not. Whatever was done is
// undone when it goes, on every path.
class TFuseMount {
 public:
  TFuseMount(const TFuseKind& kind, const TTempDir& dir) : Path(dir.MakeDir("mnt")) {
    if (geteuid() != 0)
      Why = "needs root, for loop devices and mounts";
    else if (access("/dev/fuse", R_OK | W_OK) != 0)
      Why = "no usable /dev/fuse";
    if (!Why.empty()) return;
    const TCommandResult r =
        Sh("PATH=$PATH:/usr/sbin:/sbin\n"
           "for p in \"${3%% *}\" \"${4%% *}\" losetup; do command -v \"$p\" >/dev/null ||\n"
           "  { echo \"no $p: install $5 (scripts/setup.sh does)\" >&2; exit 2; }; done\n"
           "truncate -s 32M \"$1\" && l=$(losetup -f --show \"$1\") && echo \"$l\" &&\n"
           "  { $3 \"$l\" >/dev/null 2>\"$1.err\" || { cat \"$1.err\" >&2; exit 1; }; } &&\n"
           "  $4 \"$l\" \"$2\"",
           {dir / "image", Path, kind.Mkfs, kind.Mount, kind.Packages});
    Loop_ = r.Out.substr(0, r.Out.find('\n'));
    if (r.Status != 0) Why = "mounting failed: " + r.Err;
  }
  ~TFuseMount() {
    if (Why.empty()) Sh("umount \"$1\" || umount -l \"$1\"", {Path});
    if (!Loop_.empty()) Sh("losetup -d \"$1\"", {Loop_});
  }
  TFuseMount(const TFuseMount&) = delete;
  TFuseMount& operator=(const TFuseMount&) = delete;

  const std::string Path;
  std::string Why;  // empty when mounted

 private:
  static TCommandResult Sh(const std::string& script, std::vector<std::string> args) {
    args.insert(args.begin(), {"-c", script, "sh"});
    return RunCommand("/bin/sh", args);
  }
  std::string Loop_;
};

class FuseMountTest : public ::testing::TestWithParam<TFuseKind> {};
class FuseCaseTest : public FuseMountTest {};

const TFuseKind kExfat{"exFAT", "exfat-fuse exfatprogs", "mkfs.exfat", "mount.exfat-fuse"},
    kNtfs{"NTFS", "ntfs-3g", "mkntfs -Q -q", "ntfs-3g"},
    kNtfsIgnoringCase{"NTFSIgnoringCase", "ntfs-3g", "mkntfs -Q -q", "lowntfs-3g -o ignore_case"};

// Every tagged file is renamed, "art - song" to "Art - Song" too (one name on exFAT), the
// taken "B - C.mp3" is refused and kept, and the undo brings every name back.
TEST_P(FuseMountTest, RenamesEveryFileAndUndoes) {
  TTempDir scratch, desktop;
  const TFuseMount mount(GetParam(), scratch);
  if (!mount.Why.empty())
    GTEST_SKIP() << GetParam().Name << " through FUSE not tried: " << mount.Why;
  const std::vector<std::string> before{"01.mp3", "02.mp3", "03.mp3", "B - C.mp3",
                                        "art - song.mp3"},
      after{"03.mp3", "Art - One.mp3", "Art - Song.mp3", "Art - Two.mp3", "B - C.mp3"};
  for (const bool undo : {false, true}) {
    SCOPED_TRACE(undo ? "with undo" : "plain");
    const TTempDir music(mount.Path);
    music.Write("01.mp3", TaggedMp3("Art", "One"));
    music.Write("02.mp3", TaggedMp3("Art", "Two"));
    music.Write("art - song.mp3", TaggedMp3("Art", "Song"));
    music.Write("03.mp3", TaggedMp3("B", "C"));
    music.Write("B - C.mp3", "keep");
    std::vector<std::string> args{"rename", music.Path()};
    if (undo) args.insert(args.begin() + 1, {"--undo", "--log-dir", desktop.Path()});
    const TCommandResult r = RunCommand(TUNARO_CLI, args);
    EXPECT_EQ(r.Status, 1) << r.Out << r.Err;  // the taken name and the untagged file
    EXPECT_EQ(music.List(), after) << r.Out;
    EXPECT_EQ(ReadFile(music / "B - C.mp3"), "keep");
    EXPECT_EQ(ReadFile(music / "03.mp3"), TaggedMp3("B", "C"));
    if (!undo) continue;
    ASSERT_EQ(desktop.List().size(), 1u);
    const TCommandResult back = RunCommand(TUNARO_CLI, {"undo", desktop / desktop.List()[0]});
    EXPECT_EQ(back.Status, 0) << back.Out << back.Err;
    EXPECT_EQ(music.List(), before);
  }
}

// Pairs of names a Unicode case fold makes one and these file systems keep two (K and the
// KELVIN SIGN, Ω and the OHM SIGN, Å and the ANGSTROM SIGN, I and İ), the sign's file tagged
// to get the other's name in small letters: that name is the other file's, and the same size
// and time say nothing. Then names given up early in a run and asked for in other case
// later: -n must answer as the run does.
TEST_P(FuseCaseTest, CaseRulesOfTheFileSystemLoseNoFileAndTheDryRunAgrees) {
  TTempDir scratch;
  const TFuseMount mount(GetParam(), scratch);
  if (!mount.Why.empty())
    GTEST_SKIP() << GetParam().Name << " through FUSE not tried: " << mount.Why;
  struct TPair {
    const char *Sign, *Other, *Tag, *CodePage;
  };
  for (const TPair& p :
       {TPair{"\u212A", "K", "k", "auto"}, TPair{"\u2126", "\u03A9", "\u03C9", "auto"},
        TPair{"\u212B", "\u00C5", "\xE5", "cp1252"}, TPair{"\u0130", "I", "i", "auto"}}) {
    SCOPED_TRACE(p.Sign);
    const TTempDir music(mount.Path);
    const std::string sign = music.Write(p.Sign + std::string(".mp3"), TaggedMp3(p.Tag, "x"));
    const std::string other = music.Write(p.Other + std::string(".mp3"), TaggedMp3(" ", "y"));
    const timespec times[2] = {{1700000000, 0}, {1700000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, sign.c_str(), times, 0), 0);
    ASSERT_EQ(utimensat(AT_FDCWD, other.c_str(), times, 0), 0);
    const TCommandResult r =
        RunCommand(TUNARO_CLI, {"rename", "-c", p.CodePage, "-p", "%1", music.Path()});
    EXPECT_EQ(r.Status, 1) << r.Out << r.Err;
    std::vector<std::string> contents;
    for (const std::string& name : music.List()) contents.push_back(ReadFile(music / name));
    std::sort(contents.begin(), contents.end());
    EXPECT_TRUE(contents == (std::vector<std::string>{TaggedMp3(p.Tag, "x"), TaggedMp3(" ", "y")}))
        << "a file was lost:\n"
        << r.Out;
  }
  // a.mp3 gives up its name, which c.mp3 then asks for as "A"; d.mp3 takes "Q", which
  // e.mp3 then asks for as "q".
  const TTempDir music(mount.Path);
  for (const auto& [name, tag] : {std::pair{"a", "z"}, {"c", "A"}, {"d", "Q"}, {"e", "q"}})
    music.Write(name + std::string(".mp3"), TaggedMp3(tag, "x"));
  const TCommandResult dry = RunCommand(TUNARO_CLI, {"rename", "-n", "-p", "%1", music.Path()});
  const TCommandResult real = RunCommand(TUNARO_CLI, {"rename", "-p", "%1", music.Path()});
  EXPECT_EQ(dry.Out.substr(0, dry.Out.find("(-n")), real.Out);
  EXPECT_EQ(dry.Status, real.Status);
  EXPECT_EQ(music.List().size(), 4u);
}

const auto kKindName = [](const auto& p) { return std::string(p.param.Name); };
INSTANTIATE_TEST_SUITE_P(Fuse, FuseMountTest, ::testing::Values(kExfat, kNtfs), kKindName);
INSTANTIATE_TEST_SUITE_P(Fuse, FuseCaseTest, ::testing::Values(kExfat, kNtfs, kNtfsIgnoringCase),
                         kKindName);

// exFAT keeps whole seconds: a file written over in place, at its size, in the second it
// was written keeps its stamp. The read-ahead has read it before; the run must still name it
// by what it holds now, as it does without read-ahead.
TEST(FuseReadAheadTest, AFileRewrittenWithinItsSecondIsReadAgain) {
  TTempDir scratch;
  const TFuseMount mount(kExfat, scratch);
  if (!mount.Why.empty()) GTEST_SKIP() << "exFAT through FUSE not tried: " << mount.Why;
  const TTempDir music(mount.Path);
  // Just after a second begins: the writes, the reads and the rewrite share that second.
  using namespace std::chrono;
  std::this_thread::sleep_until(ceil<seconds>(system_clock::now()) + milliseconds(20));
  for (int i = 10; i < 40; ++i)
    music.Write("t" + std::to_string(i) + ".mp3", TaggedMp3("A", "T" + std::to_string(i)));
  TRecordingHost host;
  engine::FolderRefresh(host, music.Path());
  host.List.SetAllChecked(true);
  host.Shown.clear();
  host.OnRefresh = [&] {
    if (host.Shown.size() != 3) return;  // entry 1 is next, the rest is read ahead
    std::this_thread::sleep_for(milliseconds(200));
    music.Write("t30.mp3", TaggedMp3("A", "X30"));
  };
  engine::TReaders readers;
  engine::TRunSettings settings;
  settings.Template = "%1 - %2";
  ASSERT_FALSE(engine::RenameRun(host, readers, settings));
  EXPECT_TRUE(Exists(music / "A - X30.mp3"));
  EXPECT_FALSE(Exists(music / "A - T30.mp3"));
}

}  // namespace
}  // namespace tunaro::test
