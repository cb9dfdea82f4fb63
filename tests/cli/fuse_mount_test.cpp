// tunaro-cli rename and undo on exFAT and NTFS images mounted through FUSE (exfat-fuse,
// ntfs-3g) on loop devices: file systems without the no-replace flag, exFAT without hard
// links and with case-insensitive names. Needs root and /dev/fuse; skipped, saying so, without.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

struct TFuseKind {
  const char* Name;
  const char* Package;
  const char* Mkfs;
  std::vector<std::string> MkfsArgs;
  const char* Mount;
};

std::string Tool(const std::string& name) {
  for (const char* dir : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"})
    if (access((dir + name).c_str(), X_OK) == 0) return dir + name;
  return "";
}

// An image in `dir` on a loop device, made and mounted; Why says what failed. Whatever was
// done is undone when it goes, on every path.
class TFuseMount {
 public:
  TFuseMount(const TFuseKind& kind, const TTempDir& dir) : Path(dir / "mnt") {
    const std::string losetup = Tool("losetup"), mkfs = Tool(kind.Mkfs), mount = Tool(kind.Mount);
    if (geteuid() != 0)
      Why = "needs root, for loop devices and mounts";
    else if (access("/dev/fuse", R_OK | W_OK) != 0)
      Why = "no usable /dev/fuse";
    else if (losetup.empty() || mkfs.empty() || mount.empty())
      Why = std::string("no ") + kind.Mkfs + " or " + kind.Mount + " (package " + kind.Package +
            ", which scripts/setup.sh installs)";
    if (!Why.empty()) return;
    const std::string image = dir.Write("image", "");
    std::filesystem::resize_file(image, 32 << 20);
    const TCommandResult loop = RunCommand(losetup, {"-f", "--show", image});
    if (loop.Status != 0) {
      Why = "no loop device: " + loop.Err;
      return;
    }
    Loop_ = loop.Out.substr(0, loop.Out.find('\n'));
    std::vector<std::string> args = kind.MkfsArgs;
    args.push_back(Loop_);
    if (const TCommandResult r = RunCommand(mkfs, args); r.Status != 0) {
      Why = std::string(kind.Mkfs) + " failed: " + r.Err;
      return;
    }
    dir.MakeDir("mnt");
    if (const TCommandResult r = RunCommand(mount, {Loop_, Path}); r.Status != 0) {
      Why = std::string(kind.Mount) + " failed: " + r.Err + r.Out;
      return;
    }
    Mounted_ = true;
  }
  ~TFuseMount() {
    if (Mounted_ && RunCommand(Tool("umount"), {Path}).Status != 0)
      RunCommand(Tool("umount"), {"-l", Path});
    if (!Loop_.empty()) RunCommand(Tool("losetup"), {"-d", Loop_});
  }
  TFuseMount(const TFuseMount&) = delete;
  TFuseMount& operator=(const TFuseMount&) = delete;

  const std::string Path;
  std::string Why;  // empty when mounted

 private:
  std::string Loop_;
  bool Mounted_ = false;
};

class FuseMountTest : public ::testing::TestWithParam<TFuseKind> {};

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

INSTANTIATE_TEST_SUITE_P(
    Fuse, FuseMountTest,
    ::testing::Values(
        TFuseKind{"exFAT", "exfat-fuse, exfatprogs", "mkfs.exfat", {}, "mount.exfat-fuse"},
        TFuseKind{"NTFS", "ntfs-3g", "mkntfs", {"-Q", "-q"}, "ntfs-3g"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tunaro::test
