// RenameNoReplace's fallbacks, each made to run by failing the calls before it at the seam,
// as a file system without the no-replace flag or without hard links answers.
#include <fcntl.h>
#include <stdio.h>
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

// Errno the first call of each fails with, 0 for none: a call is made once per rename, but
// for unlink, whose second call (the clean-up) then runs for real. A negative errno fails
// after the call was made, as a network share can (-EIO: made, then EIO). The exchange is
// refused unless a case asks for it.
struct TFaults {
  int RenameNoReplace = 0, Link = 0, Rename = 0, Unlink = 0, RenameExchange = EINVAL;
};
TFaults Faults, Calls;  // Calls: how often each was made
// What another process does right after the placeholder is made, with its path.
void (*AfterClaim)(const char* path) = nullptr;

int SystemRenameNoReplace(const char* from, const char* to) {
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
}
int SystemRenameExchange(const char* from, const char* to) {
  return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_EXCHANGE);
}

template <int TFaults::*Which, auto Real, typename... TArgs>
int Faulty(TArgs... args) {
  const int fault = (Calls.*Which)++ == 0 ? Faults.*Which : 0;
  if (fault == 0 || (fault < 0 && Real(args...) != 0)) return fault == 0 ? Real(args...) : -1;
  errno = fault < 0 ? -fault : fault;
  return -1;
}

int ClaimThenAct(const char* path, int flags, mode_t mode) {
  const int fd = SystemFsCalls().CreateExclusive(path, flags, mode);
  if (fd >= 0 && AfterClaim != nullptr) AfterClaim(path);
  return fd;
}

// The faulty calls in place for a scope, and nothing learned before or after it.
class TInjected {
 public:
  explicit TInjected(TFaults faults) {
    Faults = faults;
    Calls = {0, 0, 0, 0, 0};
    TFsCalls& calls = FsCalls();
    calls.RenameNoReplace = Faulty<&TFaults::RenameNoReplace, SystemRenameNoReplace>;
    calls.Rename = Faulty<&TFaults::Rename, ::rename>;
    calls.Link = Faulty<&TFaults::Link, ::link>;
    calls.Unlink = Faulty<&TFaults::Unlink, ::unlink>;
    calls.RenameExchange = Faulty<&TFaults::RenameExchange, SystemRenameExchange>;
    calls.CreateExclusive = ClaimThenAct;
    ForgetFileSystemAbilities();
  }
  ~TInjected() {
    AfterClaim = nullptr;
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

// a.mp3 to A.mp3: on a case-sensitive file system another name, so another file under it is
// in the way, a hard link of the file itself too.
TEST(RenameFallback, EachPathRenamesOrLeavesBothNamesAsTheyWere) {
  enum TNewName { Free, Taken, HardLink };
  const TFiles renamed{{"A.mp3", "A"}}, kept{{"a.mp3", "A"}}, taken{{"A.mp3", "B"}, {"a.mp3", "A"}},
      linked{{"A.mp3", "A"}, {"a.mp3", "A"}};
  struct TCase {
    const char* What;
    TFaults Faults;
    TNewName NewName;
    int Result;
    const TFiles& After;
  };
  const TCase cases[] = {
      {"flag refused: EINVAL", {EINVAL}, Free, 0, renamed},
      {"flag refused: ENOSYS", {ENOSYS}, Free, 0, renamed},
      {"flag refused: EPERM", {EPERM}, Free, 0, renamed},
      {"across devices: no fallback", {EXDEV}, Free, EXDEV, kept},
      {"no hard links: EPERM", {EINVAL, EPERM}, Free, 0, renamed},
      {"no hard links: EOPNOTSUPP", {EINVAL, EOPNOTSUPP}, Free, 0, renamed},
      {"link across devices", {EINVAL, EXDEV}, Free, EXDEV, kept},
      {"link finds the name taken", {EINVAL, EEXIST}, Free, EEXIST, kept},
      {"old name not dropped: the link goes again", {EINVAL, 0, 0, EIO}, Free, EIO, kept},
      {"rename over the placeholder fails: it goes", {EINVAL, EPERM, EIO}, Free, EIO, kept},
      {"taken: flag", {}, Taken, EEXIST, taken},
      {"taken: link", {EINVAL}, Taken, EEXIST, taken},
      {"taken: placeholder", {EINVAL, EPERM}, Taken, EEXIST, taken},
      {"hard link: flag", {}, HardLink, EEXIST, linked},
      {"hard link: link", {EINVAL}, HardLink, EEXIST, linked},
      {"hard link: placeholder", {EINVAL, EPERM}, HardLink, EEXIST, linked},
      {"exchange with the placeholder", {EINVAL, EPERM, 0, 0, 0}, Free, 0, renamed},
      {"taken: exchange", {EINVAL, EPERM, 0, 0, 0}, Taken, EEXIST, taken},
      // Made, then an error: the file stays under its new name, and that counts as done.
      {"flag: made, then EIO", {-EIO}, Free, 0, renamed},
      {"link: made, then EIO", {EINVAL, -EIO}, Free, 0, renamed},
      {"old name dropped, then EIO", {EINVAL, 0, 0, -EIO}, Free, 0, renamed},
      {"rename over the placeholder: made, then EIO", {EINVAL, EPERM, -EIO}, Free, 0, renamed},
      {"exchange: made, then EIO", {EINVAL, EPERM, 0, 0, -EIO}, Free, 0, renamed},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TTempDir dir;
    dir.Write("a.mp3", "A");
    if (c.NewName == Taken) dir.Write("A.mp3", "B");
    if (c.NewName == HardLink) {
      ASSERT_EQ(link((dir / "a.mp3").c_str(), (dir / "A.mp3").c_str()), 0);
    }
    TInjected injected(c.Faults);
    EXPECT_EQ(RenameNoReplace(dir / "a.mp3", dir / "A.mp3"), c.Result);
    EXPECT_EQ(Contents(dir), c.After);
  }
}

// Another process opens the claimed name with O_TRUNC and writes (cp, a shell's >), or puts
// a file of its own there, before the file is put in the placeholder's place: the name is
// its now, and the file keeps its own.
TEST(RenameFallback, ThePlaceholderMustStillBeTheEmptyFileMade) {
  const auto writes = [](const char* path) { ASSERT_EQ(truncate(path, 4), 0); };
  const auto replaces = [](const char* path) {
    ASSERT_EQ(unlink(path), 0);
    close(open(path, O_WRONLY | O_CREAT | O_EXCL, 0644));
  };
  struct TCase {
    const char* What;
    void (*Writer)(const char*);
    int Exchange;
    std::string Left;
  };
  const TCase cases[] = {{"written: rename", writes, EINVAL, std::string(4, '\0')},
                         {"replaced: rename", replaces, EINVAL, ""},
                         {"written: exchange", writes, 0, std::string(4, '\0')},
                         {"replaced: exchange", replaces, 0, ""}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    TTempDir dir;
    dir.Write("a.mp3", "A");
    TInjected injected({EINVAL, EPERM, 0, 0, c.Exchange});
    AfterClaim = c.Writer;
    EXPECT_EQ(RenameNoReplace(dir / "a.mp3", dir / "b.mp3"), EEXIST);
    EXPECT_EQ(Contents(dir), (TFiles{{"a.mp3", "A"}, {"b.mp3", c.Left}}));
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

}  // namespace
}  // namespace tunaro::platform
