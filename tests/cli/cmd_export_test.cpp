// tunaro-cli export, run as a program on real folders.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

struct TRun {
  int Status = -1;
  std::string Output;  // stdout and stderr together
};

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

TRun Cli(const std::vector<std::string>& args) {
  std::string command = Quote(TUNARO_CLI) + " export";
  for (const auto& a : args) command += " " + Quote(a);
  command += " 2>&1";
  TRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Output.append(buffer, n);
  const int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// The lines of a CR LF file, the terminators checked on the way.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "line without CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

class CmdExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Music = Dir.MakeDir("music");
    Dir.Write("music/a.mp3", TaggedMp3("A", "1"));
    Dir.Write("music/b.MP3", TaggedMp3("B", "2"));
    Dir.Write("music/c.ogg", "OggS");
    Dir.Write("music/sub/d.mp3", TaggedMp3("D", "4"));
  }

  TTempDir Dir;
  std::string Music;
};

// The file system's order decides the order of the entries; the numbers count 1, 2, ...
TEST_F(CmdExportTest, PlaylistHoldsTheFolderRefreshList) {
  const std::string out = Dir / "list.pls";
  const TRun run = Cli({"-f", "pls", Music, out});
  ASSERT_EQ(run.Status, 0) << run.Output;
  const auto lines = Lines(ReadFile(out));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[playlist]");
  std::vector<std::string> paths;
  for (size_t i = 1; i < lines.size(); ++i) {
    const std::string prefix = "File" + std::to_string(i) + "=";
    ASSERT_EQ(lines[i].rfind(prefix, 0), 0u) << lines[i];
    paths.push_back(lines[i].substr(prefix.size()));
  }
  EXPECT_EQ(Sorted(paths), (std::vector<std::string>{Music + "/a.mp3", Music + "/b.MP3"}));
}

TEST_F(CmdExportTest, SubfoldersAndOtherTypes) {
  const std::string out = Dir / "list.m3u";
  ASSERT_EQ(Cli({"-r", "-f", "m3u", Music, out}).Status, 0);
  auto lines = Lines(ReadFile(out));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "#EXTM3U");
  lines.erase(lines.begin());
  // The recursive scan takes the extension byte for byte: b.MP3 is not an .mp3.
  EXPECT_EQ(Sorted(lines), (std::vector<std::string>{Music + "/a.mp3", Music + "/sub/d.mp3"}));

  ASSERT_EQ(Cli({"-f", "m3u", "-t", "ogg", Music, out}).Status, 0);
  EXPECT_EQ(ReadFile(out), "#EXTM3U\r\n" + Music + "/c.ogg\r\n");
}

// The name is used as given, and a second export replaces the first.
TEST_F(CmdExportTest, PageGoesToTheNameGivenInGbk) {
  const std::string folder = Dir.MakeDir("\xE9\x9F\xB3\xE4\xB9\x90");  // 音乐
  Dir.Write("\xE9\x9F\xB3\xE4\xB9\x90/x.mp3", TaggedMp3("X", "x"));
  const std::string out = Dir.Write("page.txt", std::string(5000, 'z'));
  const TRun run = Cli({"-f", "html", folder, out});
  ASSERT_EQ(run.Status, 0) << run.Output;
  EXPECT_FALSE(Exists(Dir / "page.htm"));
  const auto lines = Lines(ReadFile(out));
  ASSERT_EQ(lines.size(), 6u);
  const std::string path = Dir.Path() + "/\xD2\xF4\xC0\xD6/x.mp3";
  EXPECT_EQ(lines[2], "<p>1. <a href=\"file://" + path + "\">" + path + "</a></p>");
  EXPECT_EQ(lines[5], "</body></html>");
}

struct TFailCase {
  const char* Why;
  std::vector<std::string> Args;  // "@" stands for the music folder, "#" for the temp folder
  const char* Message;
};

class CmdExportFailTest : public CmdExportTest, public ::testing::WithParamInterface<TFailCase> {};

TEST_P(CmdExportFailTest, ExitsWithTwoAndWritesNothing) {
  std::vector<std::string> args;
  for (const std::string& a : GetParam().Args) {
    if (a == "@")
      args.push_back(Music);
    else if (a.rfind("#", 0) == 0)
      args.push_back(Dir.Path() + a.substr(1));
    else
      args.push_back(a);
  }
  const TRun run = Cli(args);
  EXPECT_EQ(run.Status, 2) << GetParam().Why;
  EXPECT_NE(run.Output.find(GetParam().Message), std::string::npos) << run.Output;
  EXPECT_FALSE(Exists(Dir / "out.htm")) << GetParam().Why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, CmdExportFailTest,
    ::testing::Values(
        TFailCase{"no form", {"@", "#/out.htm"}, "-f"},
        TFailCase{"unknown form", {"-f", "xml", "@", "#/out.htm"}, "unknown form"},
        TFailCase{"no output", {"-f", "html", "@"}, "OUTPUT"},
        TFailCase{"unknown type", {"-f", "html", "-t", "flac", "@", "#/out.htm"}, "unknown type"},
        TFailCase{"unknown option", {"-x", "-f", "html", "@", "#/out.htm"}, "unknown option"},
        TFailCase{
            "no file of the type", {"-f", "html", "-t", "wma", "@", "#/out.htm"}, "no wma file"},
        TFailCase{"missing folder", {"-f", "html", "#/none", "#/out.htm"}, "no mp3 file"},
        TFailCase{
            "output folder missing", {"-f", "html", "@", "#/none/out.htm"}, "File not found"}));

}  // namespace
}  // namespace tunaro::test
