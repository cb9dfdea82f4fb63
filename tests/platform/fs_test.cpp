#include "platform/fs.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace tunaro::platform {
namespace {

using test::ReadFile;
using test::TTempDir;

TEST(RenameNoReplace, RenamesWithinTheFolder) {
  TTempDir dir;
  dir.Write("a.mp3", "A");
  EXPECT_EQ(RenameNoReplace(dir / "a.mp3", dir / "b.mp3"), 0);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"b.mp3"});
}

TEST(RenameNoReplace, NeverReplacesAnExistingFile) {
  TTempDir dir;
  dir.Write("a.mp3", "A");
  dir.Write("b.mp3", "B");
  EXPECT_EQ(RenameNoReplace(dir / "a.mp3", dir / "b.mp3"), EEXIST);
  EXPECT_EQ(ReadFile(dir / "a.mp3"), "A");
  EXPECT_EQ(ReadFile(dir / "b.mp3"), "B");
  // Not onto a folder or a dangling link either.
  dir.MakeDir("c");
  ASSERT_EQ(symlink("nowhere", (dir / "d").c_str()), 0);
  EXPECT_EQ(RenameNoReplace(dir / "a.mp3", dir / "c"), EEXIST);
  EXPECT_EQ(RenameNoReplace(dir / "a.mp3", dir / "d"), EEXIST);
}

TEST(RenameNoReplace, SamePathSucceedsWhenTheFileExists) {
  TTempDir dir;
  dir.Write("a.mp3", "A");
  EXPECT_EQ(RenameNoReplace(dir / "a.mp3", dir / "a.mp3"), 0);
  EXPECT_EQ(RenameNoReplace(dir / "gone.mp3", dir / "gone.mp3"), ENOENT);
  EXPECT_EQ(RenameNoReplace(dir / "gone.mp3", dir / "x.mp3"), ENOENT);
}

TEST(Attributes, ReadOnlyIsTheOwnerWriteBit) {
  TTempDir dir;
  const std::string f = dir.Write("a.mp3", "A");
  ASSERT_EQ(chmod(f.c_str(), 0444), 0);
  EXPECT_TRUE(GetAttributes(f) & faReadOnly);
  EXPECT_EQ(SetAttributes(f, GetAttributes(f) & ~faReadOnly), 0);
  struct stat st;
  ASSERT_EQ(stat(f.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  EXPECT_EQ(GetAttributes(f) & faReadOnly, 0);
  EXPECT_TRUE(GetAttributes(dir.Write(".hidden.mp3", "")) & faHidden);
  EXPECT_TRUE(GetAttributes(dir.Path()) & faDirectory);
  EXPECT_EQ(GetAttributes(dir / "none"), -1);
  EXPECT_EQ(SetAttributes(dir / "none", 0), ENOENT);
}

TEST(DirReader, ReportsWhatEntriesAreWithoutDots) {
  TTempDir dir;
  dir.Write("f.mp3", "");
  dir.MakeDir("d");
  ASSERT_EQ(mkfifo((dir / "p").c_str(), 0644), 0);
  ASSERT_EQ(symlink("d", (dir / "ld").c_str()), 0);
  ASSERT_EQ(symlink("f.mp3", (dir / "lf").c_str()), 0);
  ASSERT_EQ(symlink("none", (dir / "dangling").c_str()), 0);
  TDirReader reader;
  ASSERT_TRUE(reader.Open(dir.Path()));
  std::map<std::string, TEntryKind> kinds;
  TDirEntry e;
  while (reader.Next(e)) kinds[std::string(e.Name)] = e.Kind;
  EXPECT_EQ(kinds, (std::map<std::string, TEntryKind>{{"f.mp3", TEntryKind::File},
                                                      {"d", TEntryKind::Directory},
                                                      {"p", TEntryKind::Other},
                                                      {"ld", TEntryKind::Directory},
                                                      {"lf", TEntryKind::File},
                                                      {"dangling", TEntryKind::Other}}));
  EXPECT_FALSE(reader.Open(dir / "none"));
}

struct TMaskCase {
  const char* Name;
  const char* Mask;
  bool Matches;
};

class MaskTest : public ::testing::TestWithParam<TMaskCase> {};

TEST_P(MaskTest, MatchesLikeTheWindowsFileSystem) {
  EXPECT_EQ(MatchesMask(GetParam().Name, GetParam().Mask), GetParam().Matches);
}

INSTANTIATE_TEST_SUITE_P(
    Table, MaskTest,
    ::testing::Values(TMaskCase{"a.mp3", "*.mp3", true}, TMaskCase{"B.MP3", "*.mp3", true},
                      TMaskCase{"a.mp3x", "*.mp3", false}, TMaskCase{"a.ram", "*.ra", false},
                      TMaskCase{"anything", "*", true}, TMaskCase{"a.b", "?.?", true},
                      TMaskCase{"ab.b", "?.?", false}, TMaskCase{"x.tar.gz", "*.*", true},
                      TMaskCase{"", "*", true}));

TEST(TextFile, WritesLinesWithCrLfAndAppends) {
  TTempDir dir;
  const std::string path = dir / "log.txt";
  TTextFile file;
  ASSERT_FALSE(file.Open(path, TTextFile::TMode::AppendOrCreate));
  EXPECT_FALSE(file.WriteLine("one"));
  EXPECT_FALSE(file.Close());
  ASSERT_FALSE(file.Open(path, TTextFile::TMode::AppendOrCreate));
  EXPECT_FALSE(file.WriteLine(""));
  EXPECT_FALSE(file.Close());
  EXPECT_EQ(ReadFile(path), "one\r\n\r\n");
  ASSERT_FALSE(file.Open(path, TTextFile::TMode::Create));
  EXPECT_FALSE(file.Write("x"));
  EXPECT_FALSE(file.Close());
  EXPECT_EQ(ReadFile(path), "x");
}

TEST(TextFile, TruncateTakesBackTheLinesAfterASize) {
  TTempDir dir;
  const std::string path = dir.Write("undo.bat", "earlier run\r\n");
  TTextFile file;
  ASSERT_FALSE(file.Open(path, TTextFile::TMode::AppendOrCreate));
  EXPECT_EQ(file.Size(), 13u);  // what the file held already counts
  ASSERT_FALSE(file.WriteLine("kept"));
  const uint64_t before = file.Size();
  EXPECT_EQ(before, 19u);
  ASSERT_FALSE(file.WriteLine("taken back"));
  EXPECT_EQ(ReadFile(path), "earlier run\r\nkept\r\ntaken back\r\n");  // no buffer in between
  EXPECT_FALSE(file.Truncate(before));
  EXPECT_EQ(file.Size(), before);
  ASSERT_FALSE(file.WriteLine("next"));  // appends at the new end, leaving no hole
  EXPECT_FALSE(file.Close());
  EXPECT_EQ(ReadFile(path), "earlier run\r\nkept\r\nnext\r\n");
  EXPECT_EQ(file.Truncate(0).Errno, EBADF);  // closed
}

TEST(TextFile, KeepsTheFirstErrorUntilClosed) {
  TTextFile file;
  ASSERT_FALSE(file.Open("/dev/full", TTextFile::TMode::Create));
  const TIoError error = file.WriteLine("x");
  EXPECT_EQ(error.Text(), "Disk full");
  EXPECT_EQ(file.WriteLine("y").Errno, ENOSPC);
  EXPECT_EQ(file.Close().Errno, ENOSPC);
  TTempDir dir;
  EXPECT_EQ(file.Open(dir / "no/such/folder.txt", TTextFile::TMode::Create).Text(),
            "File not found");
}

struct TErrnoCase {
  int Errno;
  const char* Text;
};

TEST(IoErrorText, SpeaksTheRuntimesWords) {
  for (const auto& c :
       {TErrnoCase{ENOENT, "File not found"}, TErrnoCase{ENOTDIR, "Path not found"},
        TErrnoCase{EACCES, "File access denied"}, TErrnoCase{ENOSPC, "Disk full"},
        TErrnoCase{ENAMETOOLONG, "Invalid filename"}, TErrnoCase{EIO, "I/O error 5"}})
    EXPECT_EQ(IoErrorText(c.Errno), c.Text) << c.Errno;
}

TEST(AbsolutePath, PutsTheCurrentFolderInFrontAndKeepsDotDot) {
  char buf[4096];
  ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
  const std::string cwd = buf;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"lnk/..", cwd + "/lnk/.."},
      {"./lnk/../", cwd + "/lnk/../"},
      {"a//b/./c", cwd + "/a/b/c"},
      {".", cwd + "/"},
      {"/x/lnk/..", "/x/lnk/.."},
      {"/x/./y/", "/x/y/"},
      {"//", "/"},
      {"../a.mp3", cwd + "/../a.mp3"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(AbsolutePath(in), out) << in;
}

}  // namespace
}  // namespace tunaro::platform
