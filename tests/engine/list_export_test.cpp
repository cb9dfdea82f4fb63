#include "engine/list_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tunaro::engine {
namespace {

using test::ReadFile;
using test::TTempDir;

// The fixed lines in GBK.
const std::string kHtmlHead =
    "<html><head><title>\xCE\xC4\xBC\xFE\xC1\xD0\xB1\xED</title></head><body>\r\n"
    "<h2>\xC4\xBF\xC2\xBC\xB1\xEA\xCC\xE2</h2><hr>\r\n";
const std::string kHtmlFoot =
    "<hr><p>\xB4\xCB\xCE\xC4\xBC\xFE\xCD\xA8\xB9\xFD\xA3\xBATunaro \xB4\xB4\xBD\xA8</p>\r\n"
    "<p>\xC8\xED\xBC\xFE\xD6\xF7\xD2\xB3\xA3\xBA<a target=\"_blank\" "
    "href=\"https://tunaro.example.org/\">tunaro.example.org Morvix</a></p>\r\n"
    "</body></html>\r\n";

// "/音乐/歌.mp3" as the file system holds it and as the lists write it.
const std::string kChinesePath = "/\xE9\x9F\xB3\xE4\xB9\x90/\xE6\xAD\x8C.mp3";
const std::string kChinesePathGbk = "/\xD2\xF4\xC0\xD6/\xB8\xE8.mp3";

TFileList MakeList(const std::vector<std::string>& paths, const std::vector<bool>& checks = {}) {
  TFileList list;
  for (size_t i = 0; i < paths.size(); ++i) {
    list.Append(paths[i]);
    if (i < checks.size()) list.SetChecked(i, checks[i]);
  }
  return list;
}

std::string HtmlEntry(int number, const std::string& path) {
  return "<p>" + std::to_string(number) + ". <a href=\"file://" + path + "\">" + path +
         "</a></p>\r\n";
}

class ListExportTest : public ::testing::Test {
 protected:
  std::string Export(TExportForm form, const TFileList& list, bool selectedOnly) {
    const std::string out = Dir / "list";
    const platform::TIoError error = WriteList(out, form, list, selectedOnly);
    EXPECT_FALSE(error) << error.Text();
    return ReadFile(out);
  }

  TTempDir Dir;
};

TEST_F(ListExportTest, EachFormHasItsExactGbkBytes) {
  const TFileList list = MakeList({kChinesePath, "/music/a & b.mp3"});
  EXPECT_EQ(
      Export(TExportForm::Html, list, false),
      kHtmlHead + HtmlEntry(1, kChinesePathGbk) + HtmlEntry(2, "/music/a & b.mp3") + kHtmlFoot);
  EXPECT_EQ(Export(TExportForm::M3u, list, false),
            "#EXTM3U\r\n" + kChinesePathGbk + "\r\n/music/a & b.mp3\r\n");
  EXPECT_EQ(Export(TExportForm::Pls, list, false),
            "[playlist]\r\nFile1=" + kChinesePathGbk + "\r\nFile2=/music/a & b.mp3\r\n");
}

TEST_F(ListExportTest, OptionOffExportsEveryEntryCheckedOrNot) {
  const TFileList list = MakeList({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, {false, true, false});
  EXPECT_EQ(Export(TExportForm::Html, list, false), kHtmlHead + HtmlEntry(1, "/m/a.mp3") +
                                                        HtmlEntry(2, "/m/b.mp3") +
                                                        HtmlEntry(3, "/m/c.mp3") + kHtmlFoot);
  EXPECT_EQ(Export(TExportForm::Pls, list, false),
            "[playlist]\r\nFile1=/m/a.mp3\r\nFile2=/m/b.mp3\r\nFile3=/m/c.mp3\r\n");
}

TEST_F(ListExportTest, OptionOnNumbersTheCheckedEntriesOnly) {
  const TFileList list = MakeList({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, {true, false, true});
  EXPECT_EQ(Export(TExportForm::Html, list, true),
            kHtmlHead + HtmlEntry(1, "/m/a.mp3") + HtmlEntry(2, "/m/c.mp3") + kHtmlFoot);
  EXPECT_EQ(Export(TExportForm::M3u, list, true), "#EXTM3U\r\n/m/a.mp3\r\n/m/c.mp3\r\n");
  EXPECT_EQ(Export(TExportForm::Pls, list, true),
            "[playlist]\r\nFile1=/m/a.mp3\r\nFile2=/m/c.mp3\r\n");
}

TEST_F(ListExportTest, NothingCheckedLeavesTheBareFrames) {
  const TFileList list = MakeList({"/m/a.mp3", "/m/b.mp3"});
  EXPECT_EQ(Export(TExportForm::Html, list, true), kHtmlHead + kHtmlFoot);
  EXPECT_EQ(Export(TExportForm::M3u, list, true), "#EXTM3U\r\n");
  EXPECT_EQ(Export(TExportForm::Pls, list, true), "[playlist]\r\n");
  EXPECT_EQ(Export(TExportForm::Pls, TFileList{}, false), "[playlist]\r\n");
}

// A name may hold < > and " here; in the page they must not open markup. The playlists and
// every other byte of the page keep the path as it is.
TEST_F(ListExportTest, MarkupCharactersAreEscapedInThePageOnly) {
  const std::string path = "/m/<b>\"x\" & 'y'.mp3";
  const TFileList list = MakeList({path});
  EXPECT_EQ(Export(TExportForm::Html, list, false),
            kHtmlHead + HtmlEntry(1, "/m/&lt;b&gt;&quot;x&quot; & 'y'.mp3") + kHtmlFoot);
  EXPECT_EQ(Export(TExportForm::M3u, list, false), "#EXTM3U\r\n" + path + "\r\n");
  EXPECT_EQ(Export(TExportForm::Pls, list, false), "[playlist]\r\nFile1=" + path + "\r\n");
}

TEST_F(ListExportTest, PathThatIsNotUtf8IsWrittenAsItStands) {
  const std::string raw = "/m/\xFF\xFE\x81.mp3";
  EXPECT_EQ(Export(TExportForm::M3u, MakeList({raw}), false), "#EXTM3U\r\n" + raw + "\r\n");
}

TEST_F(ListExportTest, ExportingAgainReplacesTheFile) {
  const std::string out = Dir.Write("list.m3u", std::string(100000, 'x'));
  ASSERT_FALSE(WriteList(out, TExportForm::M3u, MakeList({"/m/a.mp3", "/m/b.mp3"}), false));
  ASSERT_FALSE(WriteList(out, TExportForm::M3u, MakeList({"/m/c.mp3"}), false));
  EXPECT_EQ(ReadFile(out), "#EXTM3U\r\n/m/c.mp3\r\n");
}

// Long lists go out in pieces; no line may be lost or split at a piece's edge.
TEST_F(ListExportTest, LongListKeepsEveryLine) {
  std::vector<std::string> paths;
  std::string expected = "[playlist]\r\n";
  for (int i = 1; i <= 5000; ++i) {
    paths.push_back("/music/folder " + std::to_string(i) + "/a rather long file name.mp3");
    expected += "File" + std::to_string(i) + "=" + paths.back() + "\r\n";
  }
  EXPECT_EQ(Export(TExportForm::Pls, MakeList(paths), false), expected);
}

TEST_F(ListExportTest, MissingFolderFailsWithoutCreatingIt) {
  const std::string out = Dir / "no such folder/list.htm";
  const platform::TIoError error = WriteList(out, TExportForm::Html, MakeList({"/m/a.mp3"}), false);
  EXPECT_EQ(error.Errno, ENOENT);
  EXPECT_EQ(error.Path, out);
  EXPECT_FALSE(test::Exists(Dir / "no such folder"));
}

TEST_F(ListExportTest, FullDiskIsReportedAsDiskFull) {
  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  for (const TExportForm form : {TExportForm::Html, TExportForm::M3u, TExportForm::Pls}) {
    const platform::TIoError error = WriteList("/dev/full", form, MakeList({"/m/a.mp3"}), false);
    EXPECT_EQ(error.Errno, ENOSPC);
    EXPECT_EQ(error.Text(), "Disk full");
  }
}

TEST_F(ListExportTest, ReadOnlyFileIsAccessDenied) {
  if (geteuid() == 0) GTEST_SKIP() << "root may write anything";
  const std::string out = Dir.Write("list.pls", "old");
  ASSERT_EQ(chmod(out.c_str(), 0444), 0);
  const platform::TIoError error = WriteList(out, TExportForm::Pls, MakeList({"/m/a.mp3"}), false);
  EXPECT_EQ(error.Text(), "File access denied");
  EXPECT_EQ(ReadFile(out), "old");
}

struct TExtensionCase {
  const char* Name;
  TExportForm Form;
  const char* Expected;
};

class ExportExtensionTest : public ::testing::TestWithParam<TExtensionCase> {};

TEST_P(ExportExtensionTest, ChosenFormDecides) {
  EXPECT_EQ(ChangeExportExtension(GetParam().Name, GetParam().Form), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExportExtensionTest,
    ::testing::Values(TExtensionCase{"list", TExportForm::Html, "list.htm"},
                      TExtensionCase{"list.txt", TExportForm::Html, "list.htm"},
                      TExtensionCase{"/home/u/songs.txt", TExportForm::Html, "/home/u/songs.htm"},
                      TExtensionCase{"a.b.c", TExportForm::Html, "a.b.htm"},
                      TExtensionCase{"/my.music/list", TExportForm::Html, "/my.music/list.htm"},
                      TExtensionCase{"/my.music/list", TExportForm::M3u, "/my.music/list.m3u"},
                      TExtensionCase{"/my.music/list.M3U", TExportForm::Pls, "/my.music/list.pls"},
                      TExtensionCase{"LIST.HTM", TExportForm::Html, "LIST.htm"},
                      TExtensionCase{"list.", TExportForm::M3u, "list.m3u"},
                      TExtensionCase{"/home/u/.list", TExportForm::Pls, "/home/u/.pls"},
                      TExtensionCase{"/tmp/", TExportForm::Html, "/tmp/.htm"},
                      // A backslash or colon is part of a name here, not a folder's end.
                      TExtensionCase{"a.b\\c", TExportForm::Html, "a.htm"},
                      TExtensionCase{"C:list", TExportForm::Pls, "C:list.pls"}));

}  // namespace
}  // namespace tunaro::engine
