// RenameNoReplace's fallbacks, each made to run by failing the calls before it at the seam,
// as a file system without the no-replace flag or without hard links answers.
#include <unistd.h>

#include <cerrno>
#include <map>

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "platform/fs_calls.h"
#include "support/temp_dir.h"

namespace tunaro::platform {
namespace {

using test::ReadFile;
using test::TTempDir;

// Errno each call fails with, 0 for the real call. Unlink fails only its first call: the old
// name's, so that the clean-up after it runs for real.
struct TFaults {
  int RenameNoReplace = 0, Link = 0, Rename = 0, Unlink = 0;
};
TFaults Faults;
TFaults Calls;  // how often each was made

int Fail(int err) {
  errno = err;
  return -1;
}

// The faulty calls in place for a scope, and nothing learned before or after it.
class TInjected {
 public:
  explicit TInjected(TFaults faults) {
    Faults = faults;
    Calls = {};
    FsCalls() = {
        [](const char* a, const char* b) {
          ++Calls.RenameNoReplace;
          return Faults.RenameNoReplace ? Fail(Faults.RenameNoReplace)
                                        : SystemFsCalls().RenameNoReplace(a, b);
        },
        [](const char* a, const char* b) {
          ++Calls.Rename;
          return Faults.Rename ? Fail(Faults.Rename) : SystemFsCalls().Rename(a, b);
        },
        [](const char* a, const char* b) {
          ++Calls.Link;
          return Faults.Link ? Fail(Faults.Link) : SystemFsCalls().Link(a, b);
        },
        [](const char* a) {
          if (Calls.Unlink++ == 0 && Faults.Unlink) return Fail(Faults.Unlink);
          return SystemFsCalls().Unlink(a);
        },
    };
    ForgetFileSystemAbilities();
  }
  ~TInjected() {
    FsCalls() = SystemFsCalls();
    ForgetFileSystemAbilities();
  }
};

using TFiles = std::map<std::string, std::string>;

TFiles Contents(const TTempDir& dir) {
  TFiles files;
  for (const std::string& name : dir.List()) files[name] = ReadFile(dir / name);
  return files;
}

TEST(RenameFallback, EachPathRenamesOrLeavesBothNamesAsTheyWere) {
  const TFiles renamed{{"b.mp3", "A"}}, kept{{"a.mp3", "A"}}, taken{{"a.mp3", "A"}, {"b.mp3", "B"}};
  struct TCase {
    const char* What;
    TFaults Faults;
    bool Taken;  // b.mp3 is there before
    int Result;
    const TFiles& After;
  };
  const TCase cases[] = {
      {"flag refused: EINVAL", {EINVAL}, false, 0, renamed},
      {"flag refused: ENOSYS", {ENOSYS}, false, 0, renamed},
      {"flag refused: EPERM", {EPERM}, false, 0, renamed},
      {"across devices: no fallback", {EXDEV}, false, EXDEV, kept},
      {"no hard links: EPERM", {EINVAL, EPERM}, false, 0, renamed},
      {"no hard links: EOPNOTSUPP", {EINVAL, EOPNOTSUPP}, false, 0, renamed},
      {"link across devices", {EINVAL, EXDEV}, false, EXDEV, kept},
      {"link finds the name taken", {EINVAL, EEXIST}, false, EEXIST, kept},
      {"old name not dropped: the link goes again", {EINVAL, 0, 0, EIO}, false, EIO, kept},
      {"rename over the placeholder fails: it goes", {EINVAL, EPERM, EIO}, false, EIO, kept},
      {"taken: flag", {}, true, EEXIST, taken},
      {"taken: link", {EINVAL}, true, EEXIST, taken},
      {"taken: placeholder", {EINVAL, EPERM}, true, EEXIST, taken},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TTempDir dir;
    dir.Write("a.mp3", "A");
    if (c.Taken) dir.Write("b.mp3", "B");
    TInjected injected(c.Faults);
    EXPECT_EQ(RenameNoReplace(dir / "a.mp3", dir / "b.mp3"), c.Result);
    EXPECT_EQ(Contents(dir), c.After);
  }
}

TEST(RenameFallback, RefusalsAreLearnedOncePerRun) {
  TTempDir dir;
  for (const char* name : {"1", "2", "3"}) dir.Write(name, name);
  TInjected injected({EINVAL, EPERM});
  EXPECT_EQ(RenameNoReplace(dir / "1", dir / "a"), 0);
  EXPECT_EQ(RenameNoReplace(dir / "2", dir / "b"), 0);
  EXPECT_EQ(Calls.RenameNoReplace, 1);
  EXPECT_EQ(Calls.Link, 1);
  EXPECT_EQ(Calls.Rename, 2);
  ForgetFileSystemAbilities();  // a new run asks again
  EXPECT_EQ(RenameNoReplace(dir / "3", dir / "c"), 0);
  EXPECT_EQ(Calls.RenameNoReplace, 2);
  EXPECT_EQ(Contents(dir), (TFiles{{"a", "1"}, {"b", "2"}, {"c", "3"}}));
}

// On a case-sensitive file system a name differing in case is another entry, even when it is
// a hard link of the same file: taken, on every path.
TEST(RenameFallback, HardLinkUnderAnotherCaseIsTaken) {
  TTempDir dir;
  dir.Write("a.mp3", "A");
  ASSERT_EQ(link((dir / "a.mp3").c_str(), (dir / "A.mp3").c_str()), 0);
  EXPECT_FALSE(IsCaseOnlyRename(dir / "a.mp3", dir / "A.mp3"));
  for (const TFaults faults : {TFaults{}, TFaults{EINVAL}, TFaults{EINVAL, EPERM}}) {
    TInjected injected(faults);
    EXPECT_EQ(RenameNoReplace(dir / "a.mp3", dir / "A.mp3"), EEXIST);
  }
  EXPECT_EQ(Contents(dir), (TFiles{{"A.mp3", "A"}, {"a.mp3", "A"}}));
}

}  // namespace
}  // namespace tunaro::platform
