#include "engine/list_export.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tunaro::engine {
namespace {

using test::ReadFile;

// The fixed lines in GBK.
const std::string kHtmlHead =
    "<html><head><title>\xCE\xC4\xBC\xFE\xC1\xD0\xB1\xED</title></head><body>\r\n"
    "<h2>\xC4\xBF\xC2\xBC\xB1\xEA\xCC\xE2</h2><hr>\r\n";
const std::string kHtmlFoot =
    "<hr><p>\xB4\xCB\xCE\xC4\xBC\xFE\xCD\xA8\xB9\xFD\xA3\xBATunaro \xB4\xB4\xBD\xA8</p>\r\n"
    "<p>\xC8\xED\xBC\xFE\xD6\xF7\xD2\xB3\xA3\xBA<a target=\"_blank\" "
    "href=\"https://tunaro.example.org/\">tunaro.example.org Morvix</a></p>\r\n"
    "</body></html>\r\n";

TFileList MakeList(const std::vector<std::string>& paths, const std::vector<bool>& checks = {}) {
  TFileList list;
  for (size_t i = 0; i < paths.size(); ++i) {
    list.Append(paths[i]);
    list.SetChecked(i, i < checks.size() && checks[i]);
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
    const platform::TIoError error = WriteList(Out, form, list, selectedOnly);
    EXPECT_FALSE(error) << error.Text();
    return ReadFile(Out);
  }

  test::TTempDir Dir;
  const std::string Out = Dir / "list";
};

// "/音乐/歌.mp3" goes out in GBK; the ampersand stays as it is.
TEST_F(ListExportTest, EachFormHasItsExactGbkBytes) {
  const std::string gbk = "/\xD2\xF4\xC0\xD6/\xB8\xE8.mp3";
  const TFileList list = MakeList({"/\xE9\x9F\xB3\xE4\xB9\x90/\xE6\xAD\x8C.mp3", "/m/a & b.mp3"});
  EXPECT_EQ(Export(TExportForm::Html, list, false),
            kHtmlHead + HtmlEntry(1, gbk) + HtmlEntry(2, "/m/a & b.mp3") + kHtmlFoot);
  EXPECT_EQ(Export(TExportForm::M3u, list, false), "#EXTM3U\r\n" + gbk + "\r\n/m/a & b.mp3\r\n");
  EXPECT_EQ(Export(TExportForm::Pls, list, false),
            "[playlist]\r\nFile1=" + gbk + "\r\nFile2=/m/a & b.mp3\r\n");
}

struct TSelectCase {
  std::vector<bool> Checks;
  bool SelectedOnly;
  std::vector<std::string> Written;  // in order, numbered from 1
};

class ListSelectTest : public ListExportTest, public ::testing::WithParamInterface<TSelectCase> {};

TEST_P(ListSelectTest, NumbersCountTheWrittenEntries) {
  const TFileList list = MakeList({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}, GetParam().Checks);
  std::string html = kHtmlHead, m3u = "#EXTM3U\r\n", pls = "[playlist]\r\n";
  int n = 0;
  for (const std::string& path : GetParam().Written) {
    html += HtmlEntry(++n, path);
    m3u += path + "\r\n";
    pls += "File" + std::to_string(n) + "=" + path + "\r\n";
  }
  EXPECT_EQ(Export(TExportForm::Html, list, GetParam().SelectedOnly), html + kHtmlFoot);
  EXPECT_EQ(Export(TExportForm::M3u, list, GetParam().SelectedOnly), m3u);
  EXPECT_EQ(Export(TExportForm::Pls, list, GetParam().SelectedOnly), pls);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ListSelectTest,
    ::testing::Values(TSelectCase{{}, false, {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}},
                      TSelectCase{{true, false, true}, false, {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}},
                      TSelectCase{{true, false, true}, true, {"/m/a.mp3", "/m/c.mp3"}},
                      TSelectCase{{}, true, {}}));  // the bare frames

// A name here may hold < > and ", which must not open markup in the page. The playlists,
// and every other byte of the page, keep the path as it is.
TEST_F(ListExportTest, MarkupCharactersAreEscapedInThePageOnly) {
  const std::string path = "/m/<b>\"x\" & 'y'.mp3";
  const TFileList list = MakeList({path});
  EXPECT_EQ(Export(TExportForm::Html, list, false),
            kHtmlHead + HtmlEntry(1, "/m/&lt;b&gt;&quot;x&quot; & 'y'.mp3") + kHtmlFoot);
  EXPECT_EQ(Export(TExportForm::Pls, list, false), "[playlist]\r\nFile1=" + path + "\r\n");
}

// A relative entry (a drop from a script, say) is written with the current folder in front.
TEST_F(ListExportTest, RelativeEntriesBecomeFullPaths) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  EXPECT_EQ(Export(TExportForm::M3u, MakeList({"d/a&b.mp3", "/m/c.mp3"}), false),
            "#EXTM3U\r\n" + std::string(cwd) + "/d/a&b.mp3\r\n/m/c.mp3\r\n");
}

TEST_F(ListExportTest, ExportingAgainReplacesTheFile) {
  Dir.Write("list", std::string(100000, 'x'));
  Export(TExportForm::M3u, MakeList({"/m/a.mp3", "/m/b.mp3"}), false);
  EXPECT_EQ(Export(TExportForm::M3u, MakeList({"/m/c.mp3"}), false), "#EXTM3U\r\n/m/c.mp3\r\n");
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

TEST_F(ListExportTest, WriteErrorsAreReturned) {
  const std::string out = Dir / "no such folder/list.htm";
  platform::TIoError error = WriteList(out, TExportForm::Html, MakeList({"/m/a.mp3"}), false);
  EXPECT_EQ(error.Errno, ENOENT);
  EXPECT_EQ(error.Path, out);

  if (access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  for (const TExportForm form : {TExportForm::Html, TExportForm::M3u, TExportForm::Pls}) {
    error = WriteList("/dev/full", form, MakeList({"/m/a.mp3"}), false);
    EXPECT_EQ(error.Text(), "Disk full");
  }
}

// A full disk (here: the file size limit, in a child) fails the export and leaves the old
// list whole, with no other file beside it.
TEST_F(ListExportTest, WriteErrorLeavesTheOldListWhole) {
  Dir.Write("list", "old list");
  const pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    setrlimit(RLIMIT_FSIZE, &limit);
    const TFileList list = MakeList(std::vector<std::string>(1000, "/music/a long file name.mp3"));
    _exit(WriteList(Out, TExportForm::M3u, list, false).Text() == "Disk full" ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadFile(Out), "old list");
  EXPECT_EQ(Dir.List(), std::vector<std::string>{"list"});
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
                      TExtensionCase{"/home/u/songs.txt", TExportForm::Html, "/home/u/songs.htm"},
                      TExtensionCase{"a.b.c", TExportForm::Html, "a.b.htm"},
                      TExtensionCase{"/my.music/list", TExportForm::M3u, "/my.music/list.m3u"},
                      TExtensionCase{"/my.music/list.M3U", TExportForm::Pls, "/my.music/list.pls"},
                      TExtensionCase{"LIST.HTM", TExportForm::Html, "LIST.htm"},
                      TExtensionCase{"list.", TExportForm::M3u, "list.m3u"},
                      TExtensionCase{"/home/u/.list", TExportForm::Pls, "/home/u/.pls"},
                      // A backslash or colon is part of a name here, not a folder's end.
                      TExtensionCase{"a.b\\c", TExportForm::Html, "a.htm"},
                      TExtensionCase{"C:list", TExportForm::Pls, "C:list.pls"}));

}  // namespace
}  // namespace tunaro::engine
