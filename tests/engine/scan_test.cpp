#include "engine/scan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/fs.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace tunaro::engine {
namespace {

using test::TRecordingHost;
using test::TTempDir;

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class ScanTest : public ::testing::Test {
 protected:
  std::string Folder() const { return Dir.Path() + "/"; }
  TTempDir Dir;
  TRecordingHost Host;
};

TEST_F(ScanTest, BothScansIgnoreCase) {
  Dir.Write("a.mp3", "x");
  Dir.Write("B.MP3", "x");
  Dir.Write("c.txt", "x");
  FlatScan(Host, Folder());
  EXPECT_EQ(Sorted(Host.Paths()), (std::vector<std::string>{Dir / "B.MP3", Dir / "a.mp3"}));
  EXPECT_EQ(Host.Run.Counters.Total, 2);

  TRecordingHost recursive;
  RecursiveScan(recursive, Folder());
  EXPECT_EQ(recursive.Paths(), Host.Paths());
}

TEST_F(ScanTest, ExtensionMustMatchWhole) {
  Host.Run.CurrentExtension = ".ra";
  for (const char* name : {"a.ra", "b.ram", "c.rm", "d.RA"}) Dir.Write(name, "x");
  FlatScan(Host, Folder());
  EXPECT_EQ(Sorted(Host.Paths()), (std::vector<std::string>{Dir / "a.ra", Dir / "d.RA"}));
  TRecordingHost recursive;
  recursive.Run.CurrentExtension = ".ra";
  RecursiveScan(recursive, Folder());
  EXPECT_EQ(recursive.Paths(), Host.Paths());
}

TEST_F(ScanTest, FoldersAreNeverEntriesButRecursiveScanDescends) {
  Dir.MakeDir("album.mp3");
  Dir.Write("album.mp3/inner.mp3", "x");
  Dir.Write("sub/deep/x.mp3", "x");
  FlatScan(Host, Folder());
  EXPECT_TRUE(Host.Paths().empty());
  TRecordingHost recursive;
  RecursiveScan(recursive, Folder());
  EXPECT_EQ(Sorted(recursive.Paths()),
            (std::vector<std::string>{Dir / "album.mp3/inner.mp3", Dir / "sub/deep/x.mp3"}));
  EXPECT_EQ(recursive.Run.Counters.Total, 2);
}

// The folders listed ahead of the scan change nothing it finds: a tree of a few hundred
// folders, with a link back to its root (a loop), a link to a sibling, and an empty folder,
// gives the same list, in the same order, with the read-ahead started at once as without.
TEST_F(ScanTest, FoldersListedAheadChangeNothingTheScanFinds) {
  for (int a = 0; a < 20; ++a)
    for (int b = 0; b < 12; ++b)
      for (int t = 0; t < 3; ++t)
        Dir.Write("artist" + std::to_string(a) + "/album" + std::to_string(b) + "/t" +
                      std::to_string(t) + ".mp3",
                  "x");
  Dir.MakeDir("artist3/empty");
  ASSERT_EQ(symlink(Dir.Path().c_str(), (Dir / "artist5/loop").c_str()), 0);
  ASSERT_EQ(symlink((Dir / "artist1").c_str(), (Dir / "artist7/sibling").c_str()), 0);

  TRecordingHost without, with;
  RecursiveScan(without, Folder(), 0);
  RecursiveScan(with, Folder(), 8, std::chrono::microseconds{0});
  EXPECT_EQ(with.Paths(), without.Paths());
  EXPECT_EQ(without.Paths().size(), 20u * 12 * 3);  // no folder twice, links or not
}

// Names made in a shuffled order come back in the byte order of the names (bytes >= 0x80
// after ASCII), each subfolder's files at the subfolder's place, depth first.
TEST_F(ScanTest, EntriesComeInNameOrderDepthFirst) {
  const std::vector<std::string> sorted = {"0.mp3",
                                           "A.mp3",
                                           "B/a.mp3",
                                           "B/z.mp3",
                                           "Ba.mp3",
                                           "a.mp3",
                                           "a0.mp3",
                                           "b/x.mp3",
                                           "z.mp3",
                                           "\x7F.mp3",
                                           "\xC3\xA4.mp3",
                                           "\xE6\xAD\x8C/1.mp3",
                                           "\xE6\xAD\x8C.mp3",
                                           "\xFF.mp3"};
  std::vector<std::string> shuffled = sorted;
  uint32_t seed = 12345;
  for (size_t i = shuffled.size() - 1; i > 0; --i) {
    seed = seed * 1103515245 + 12345;
    std::swap(shuffled[i], shuffled[(seed >> 16) % (i + 1)]);
  }
  for (const auto& name : shuffled) Dir.Write(name, "x");
  RecursiveScan(Host, Folder());
  std::vector<std::string> expected;
  for (const auto& name : sorted) expected.push_back(Dir / name);
  EXPECT_EQ(Host.Paths(), expected);

  TRecordingHost flat;
  FlatScan(flat, Folder());
  std::vector<std::string> top;
  for (const auto& name : sorted)
    if (name.find('/') == std::string::npos) top.push_back(Dir / name);
  EXPECT_EQ(flat.Paths(), top);
}

// Large folders (hashed into many blocks on ext4) come sorted too: numbered names, names
// sharing a long start and differing only late or in length, and arbitrary bytes.
TEST(ScanOrder, LargeFoldersComeInByteOrder) {
  std::vector<std::vector<std::string>> sets(3);
  uint32_t seed = 7;
  auto next = [&seed] { return (seed = seed * 1103515245 + 12345) >> 16; };
  for (int i = 0; i < 3000; ++i) {
    sets[0].push_back("track" + std::to_string(100000 + (i * 7919) % 3000) + ".mp3");
    std::string tail = std::to_string(next() % 500);
    sets[1].push_back("Same Artist - Same Album - " + tail + std::string(next() % 3, 'x') + ".mp3");
    std::string bytes;
    for (size_t k = next() % 12 + 1; k > 0; --k) bytes += static_cast<char>(next() % 254 + 1);
    for (char& c : bytes)
      if (c == '/') c = 'x';
    if (bytes != "." && bytes != "..") sets[2].push_back(bytes);
  }
  for (auto& names : sets) {
    TTempDir dir;
    for (const auto& name : names) dir.Write(name, "");
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::vector<std::string> got;
    platform::TDirReader reader;
    ASSERT_TRUE(reader.Open(dir.Path()));
    for (platform::TDirEntry e; reader.Next(e);) got.emplace_back(e.Name);
    EXPECT_EQ(got, names);
  }
}

// Links to files are entries; a link to a folder, inside the tree or out of it, is not
// entered by the recursive scan either, as find does not follow it.
TEST_F(ScanTest, SpecialFilesAndDanglingLinksAreNotEntriesNorLinkedFoldersEntered) {
  Dir.Write("real.mp3", "x");
  ASSERT_EQ(mkfifo((Dir / "pipe.mp3").c_str(), 0644), 0);
  ASSERT_EQ(symlink((Dir / "real.mp3").c_str(), (Dir / "link.mp3").c_str()), 0);
  ASSERT_EQ(symlink((Dir / "gone.mp3").c_str(), (Dir / "dangling.mp3").c_str()), 0);
  TTempDir outside;
  outside.Write("sub/elsewhere.mp3", "x");
  ASSERT_EQ(symlink(outside.Path().c_str(), (Dir / "out").c_str()), 0);
  ASSERT_EQ(symlink((outside / "sub").c_str(), (Dir / "sub.mp3").c_str()), 0);
  FlatScan(Host, Folder());
  EXPECT_EQ(Sorted(Host.Paths()), (std::vector<std::string>{Dir / "link.mp3", Dir / "real.mp3"}));
  TRecordingHost recursive;
  RecursiveScan(recursive, Folder());
  EXPECT_EQ(Sorted(recursive.Paths()),
            (std::vector<std::string>{Dir / "link.mp3", Dir / "real.mp3"}));
}

TEST_F(ScanTest, LinkCycleIsScannedOnce) {
  Dir.Write("a/x.mp3", "x");
  ASSERT_EQ(symlink("..", (Dir / "a/up").c_str()), 0);
  ASSERT_EQ(symlink((Dir.Path() + "/a").c_str(), (Dir / "again").c_str()), 0);
  RecursiveScan(Host, Folder());
  EXPECT_EQ(Host.Paths().size(), 1u);
}

TEST_F(ScanTest, EmptyExtensionListsEveryFileInBothScans) {
  Host.Run.CurrentExtension = "";
  Dir.Write("a.mp3", "x");
  Dir.Write("README", "x");
  FlatScan(Host, Folder());
  EXPECT_EQ(Host.Paths().size(), 2u);
  TRecordingHost recursive;
  recursive.Run.CurrentExtension = "";
  RecursiveScan(recursive, Folder());
  EXPECT_EQ(recursive.Paths(), Host.Paths());
}

TEST_F(ScanTest, MissingFolderListsNothing) {
  FlatScan(Host, Dir / "none/");
  RecursiveScan(Host, Dir / "none/");
  EXPECT_TRUE(Host.Paths().empty());
}

TEST_F(ScanTest, FolderRefreshRebuildsTheListUncheckedWithFreshCounters) {
  Dir.Write("a.mp3", "x");
  Dir.Write("sub/b.mp3", "x");
  Host.List.Append("/old/entry.mp3");
  Host.List.SetChecked(0, true);
  Host.Run.Counters = {9, 5, 4, 100};
  FolderRefresh(Host, Dir.Path());
  EXPECT_EQ(Host.Run.CurrentFolder, Folder());
  EXPECT_EQ(Host.Paths(), std::vector<std::string>{Dir / "a.mp3"});
  EXPECT_FALSE(Host.List.Checked(0));
  EXPECT_EQ(Host.Run.Counters.Total, 1);
  EXPECT_EQ(Host.Run.Counters.Success, 0);
  // The subfolder option takes effect at the next refresh.
  Host.Run.ProcessSubDirectory = true;
  FolderRefresh(Host, Folder());
  EXPECT_EQ(Host.Run.CurrentFolder, Folder());  // no second slash
  EXPECT_EQ(Host.Run.Counters.Total, 2);
}

TEST_F(ScanTest, NothingSelectedListsNothing) {
  FolderRefresh(Host, "");
  EXPECT_TRUE(Host.Paths().empty());
  EXPECT_EQ(Host.Run.Counters.Total, 0);
}

TEST_F(ScanTest, RefreshDuringAScanSupersedesIt) {
  for (int i = 0; i < 20; ++i) Dir.Write("a" + std::to_string(i) + ".mp3", "x");
  TTempDir other;
  other.Write("only.mp3", "x");
  bool once = false;
  Host.OnRefresh = [&] {
    if (Host.List.Count() == 3 && !once) {
      once = true;
      FolderRefresh(Host, other.Path());
    }
  };
  FolderRefresh(Host, Dir.Path());
  EXPECT_EQ(Host.Paths(), std::vector<std::string>{other / "only.mp3"});
  EXPECT_EQ(Host.Run.Counters.Total, 1);
}

TEST_F(ScanTest, RefreshArrivingAtTheFirstCounterDisplaySupersedesToo) {
  Dir.Write("a.mp3", "x");
  TTempDir other;
  other.Write("only.mp3", "x");
  bool once = false;
  Host.OnRefresh = [&] {
    if (!once) {
      once = true;
      FolderRefresh(Host, other.Path());
    }
  };
  FolderRefresh(Host, Dir.Path());
  EXPECT_EQ(Host.Paths(), std::vector<std::string>{other / "only.mp3"});
}

TEST_F(ScanTest, DropReplacesTheListAndKeepsLongPathsWhole) {
  for (int i = 0; i < 20; ++i) Host.List.Append("/m/" + std::to_string(i) + ".mp3");
  Host.Run.Counters.Success = 4;
  const std::string longPath = "/m/" + std::string(300, 'x') + ".mp3";
  DropFiles(Host, {"/d/a.mp3", "/d/folder", longPath});
  EXPECT_EQ(Host.Paths(), (std::vector<std::string>{"/d/a.mp3", "/d/folder", longPath}));
  EXPECT_EQ(Host.Run.Counters.Total, 3);
  EXPECT_EQ(Host.Run.Counters.Success, 4);  // left as it was
  DropFiles(Host, {});
  EXPECT_EQ(Host.List.Count(), 3u);
}

}  // namespace
}  // namespace tunaro::engine
