// tunaro-cli export, run as a program on real folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

// Exit status and everything printed.
std::pair<int, std::string> Cli(std::vector<std::string> args) {
  args.insert(args.begin(), "export");
  const TCommandResult r = RunCommand(TUNARO_CLI, args);
  return {r.Status, r.Out + r.Err};
}

class CmdExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"a.mp3", "b.MP3", "c.ogg", "sub/d.mp3"})
      Dir.Write(std::string("music/") + name, TaggedMp3("A", name));
  }

  TTempDir Dir;
  const std::string Music = Dir / "music";
};

// The list is the folder refresh's, in the byte order of the names.
TEST_F(CmdExportTest, WritesTheFolderListUnderTheNameGiven) {
  const std::string out = Dir.Write("list.txt", std::string(5000, 'z'));
  const auto [status, output] = Cli({"-f", "pls", Music, out});
  ASSERT_EQ(status, 0) << output;
  EXPECT_EQ(ReadFile(out),
            "[playlist]\r\nFile1=" + Music + "/a.mp3\r\nFile2=" + Music + "/b.MP3\r\n");
  EXPECT_FALSE(Exists(Dir / "list.pls"));
}

TEST_F(CmdExportTest, TypeAndSubfolders) {
  const std::string out = Dir / "list.m3u";
  ASSERT_EQ(Cli({"-f", "m3u", "-t", "OGG", Music, out}).first, 0);
  EXPECT_EQ(ReadFile(out), "#EXTM3U\r\n" + Music + "/c.ogg\r\n");
  // The recursive scan takes the extension as the flat one does, letter case ignored.
  ASSERT_EQ(Cli({"-r", "-f", "html", Music, out}).first, 0);
  const std::string page = ReadFile(out);
  EXPECT_NE(page.find("<p>3. <a href=\"file://"), std::string::npos);
  EXPECT_NE(page.find(Music + "/sub/d.mp3</a></p>\r\n"), std::string::npos);
  EXPECT_NE(page.find("b.MP3"), std::string::npos);
}

// A relative folder still gives full paths: the list is opened from anywhere.
TEST_F(CmdExportTest, RelativeFolderGivesFullPaths) {
  Dir.Write("music/a&b.ogg", "x");
  const std::string entry = Music + "/a&b.ogg";
  const std::vector<std::pair<std::string, std::string>> forms = {
      {"m3u", "#EXTM3U\r\n" + entry + "\r\n"},
      {"pls", "[playlist]\r\nFile1=" + entry + "\r\n"},
      {"html", "<p>1. <a href=\"file://" + entry + "\">" + entry + "</a></p>\r\n"}};
  for (const auto& [form, expected] : forms) {
    const auto r = RunCommand(TUNARO_CLI, {"export", "-f", form, "-t", "ogg", "music", "out"},
                              {Dir.Path(), {}});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(ReadFile(Dir / "out").find(expected), std::string::npos) << form;
  }
}

struct TFailCase {
  std::vector<std::string> Args;  // "@" stands for the music folder
  const char* Message;
};

class CmdExportFailTest : public CmdExportTest, public ::testing::WithParamInterface<TFailCase> {};

TEST_P(CmdExportFailTest, ExitsWithTwo) {
  std::vector<std::string> args;
  for (const std::string& a : GetParam().Args)
    args.push_back(a == "@" ? Music : a[0] == '/' ? Dir.Path() + a : a);
  const auto [status, output] = Cli(args);
  EXPECT_EQ(status, 2);
  EXPECT_NE(output.find(GetParam().Message), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CmdExportFailTest,
    ::testing::Values(TFailCase{{"@", "/out.htm"}, "-f html"},
                      TFailCase{{"-f", "xml", "@", "/out.htm"}, "unknown form"},
                      TFailCase{{"-f", "html", "@"}, "OUTPUT"},
                      TFailCase{{"-f", "html", "-t", "wma", "@", "/out.htm"}, "no wma file"},
                      TFailCase{{"-f", "html", "@", "/none/out.htm"}, "File not found"},
                      TFailCase{{"-f", "html", "", "/out.htm"}, "empty FOLDER"},
                      TFailCase{{"-f", "html", "@", "/"}, "is a folder"}));

}  // namespace
}  // namespace tunaro::test
