// tunaro-cli rename and tags, run as programs on real folders.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "engine/run_files.h"
#include "platform/codec.h"
#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

TCommandResult Cli(const std::vector<std::string>& args) {
  return RunCommand(TUNARO_CLI, args);
}

class CmdRenameTest : public ::testing::Test {
 protected:
  TTempDir Music, Desktop;
};

TEST_F(CmdRenameTest, RenamesEveryFileAndPrintsLogLines) {
  Music.Write("01.mp3", TaggedMp3("歌手", "Song", 1));
  const auto r = Cli({"rename", "-p", "%6 %2", Music.Path()});
  EXPECT_EQ(r.Status, 0) << r.Err;
  // GBK tag bytes of "歌手" would be needed for Chinese; plain ASCII here stays as it is.
  EXPECT_EQ(Music.List(), std::vector<std::string>{"01 Song.mp3"});
  // The folder's texts beyond ASCII are UTF-8, said once before its first file.
  EXPECT_EQ(r.Out, "按 UTF-8 读取：" + Music.Path() + "/\n成功：" + Music / "01.mp3" + " -> " +
                       Music / "01 Song.mp3" +
                       "\n总共找到mp3文件：1 个\n成功换名：1 个\n换名失败：0 个\n");
}

TEST_F(CmdRenameTest, SomeFailureGivesStatusOneAndKeepsTheFile) {
  Music.Write("a.mp3", TaggedMp3("A", "B"));
  Music.Write("b.mp3", "no tag");
  const auto r = Cli({"rename", Music.Path()});
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Out.find("失败：" + Music / "b.mp3" + " -> (没有标签信息)\n"), std::string::npos);
  EXPECT_EQ(Music.List(), (std::vector<std::string>{"A - B.mp3", "b.mp3"}));
}

TEST_F(CmdRenameTest, RelativeFolderIsLoggedWithFullPaths) {
  Music.Write("a.mp3", TaggedMp3("A", "B"));
  const std::string cwd = std::filesystem::current_path().string();
  std::filesystem::current_path(Music.Path());
  const auto r = Cli({"rename", "--undo", "--log-dir", Desktop.Path(), "."});
  std::filesystem::current_path(cwd);
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_NE(r.Out.find("成功：" + Music / "a.mp3"), std::string::npos) << r.Out;
  ASSERT_EQ(Desktop.List().size(), 1u);
  EXPECT_NE(ReadFile(Desktop / Desktop.List()[0]).find("ren \"" + Music / "A - B.mp3\""),
            std::string::npos);
}

// "lnk/.." is the parent of the link's target, as the shell's ls shows, not the current folder.
TEST_F(CmdRenameTest, DotDotAfterALinkNamesTheTargetsParent) {
  Music.Write("here/a.mp3", TaggedMp3("Here", "X"));
  Music.Write("there/b.mp3", TaggedMp3("There", "Y"));
  Music.MakeDir("there/deep");
  ASSERT_EQ(symlink((Music / "there/deep").c_str(), (Music / "here/lnk").c_str()), 0);
  for (const std::string& arg :
       std::vector<std::string>{"lnk/..", "./lnk/../", Music / "here/lnk/.."}) {
    const auto r = RunCommand(TUNARO_CLI, {"rename", "--undo", "--log-dir", Desktop.Path(), arg},
                              {Music / "here", {}});
    EXPECT_EQ(r.Status, 0) << arg << r.Err;
    EXPECT_EQ(Music.List("here"), (std::vector<std::string>{"a.mp3", "lnk"})) << arg;
    EXPECT_EQ(Music.List("there"), (std::vector<std::string>{"There - Y.mp3", "deep"})) << arg;
    // The undo file names the file by a path that reaches it from anywhere.
    ASSERT_EQ(Desktop.List().size(), 1u);
    const std::string undo = ReadFile(Desktop / Desktop.List()[0]);
    const size_t at = undo.find("ren \"/");
    ASSERT_NE(at, std::string::npos) << undo;
    const std::string renamed = undo.substr(at + 5, undo.find('"', at + 5) - at - 5);
    EXPECT_TRUE(Exists(renamed)) << renamed;
    std::filesystem::remove(Desktop / Desktop.List()[0]);
    std::filesystem::rename(Music / "there/There - Y.mp3", Music / "there/b.mp3");
  }
}

TEST_F(CmdRenameTest, DryRunChangesNothing) {
  Music.Write("a.mp3", TaggedMp3("A", "B"));
  const auto r = Cli({"rename", "-n", "--log", "--log-dir", Desktop.Path(), Music.Path()});
  EXPECT_EQ(r.Status, 0);
  EXPECT_EQ(Music.List(), std::vector<std::string>{"a.mp3"});
  EXPECT_TRUE(Desktop.List().empty());
  EXPECT_NE(r.Out.find("成功："), std::string::npos);
}

TEST_F(CmdRenameTest, WritesGbkLogAndUndoIntoTheGivenFolder) {
  Music.Write("sub/a.ogg", "x");  // another type: not listed
  Music.Write("sub/a.mp3", TaggedMp3("A", "B"));
  const auto r =
      Cli({"rename", "-r", "--log", "--undo", "--log-dir", Desktop.Path(), Music.Path()});
  EXPECT_EQ(r.Status, 0) << r.Err;
  ASSERT_EQ(Desktop.List().size(), 2u);
  const std::string log = ReadFile(Desktop / engine::kRunLogName);
  EXPECT_NE(log.find(platform::Utf8ToGbk("成功：") + Music / "sub/a.mp3"), std::string::npos);
  EXPECT_NE(log.find(platform::Utf8ToGbk("换名失败：0 个\r\n")), std::string::npos);
}

// The type is a name like the window's box shows; its letter case does not matter.
TEST_F(CmdRenameTest, TypeNameInCapitalsIsTheSameType) {
  Music.Write("a.mp3", TaggedMp3("A", "B"));
  for (const char* type : {"MP3", "Mp3"}) {
    const auto r = Cli({"rename", "-n", "-t", type, Music.Path()});
    EXPECT_EQ(r.Status, 0) << type << r.Err;
    EXPECT_NE(r.Out.find("成功：" + Music / "a.mp3 -> " + Music / "A - B.mp3"), std::string::npos);
  }
}

// A read-only file of another user cannot be made writable: the run fails it, and the dry
// run says so beforehand. The user's own read-only file is cleared and renamed by both.
TEST_F(CmdRenameTest, DryRunPredictsAReadOnlyFlagThatCannotBeCleared) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to run as another user";
  const int nobody = 65534;
  // A build inside a folder only its owner may enter (mktemp -d makes one) is out of reach.
  if (RunCommand(TUNARO_CLI, {"--help"}, {"", {}, nobody}).Status == 127)
    GTEST_SKIP() << "the other user cannot run " << TUNARO_CLI;
  ASSERT_EQ(chmod(Music.Path().c_str(), 0777), 0);
  const std::string theirs = Music.Write("a.mp3", TaggedMp3("A", "B"));
  const std::string mine = Music.Write("c.mp3", TaggedMp3("C", "D"));
  ASSERT_EQ(chmod(theirs.c_str(), 0444), 0);
  ASSERT_EQ(chown(mine.c_str(), nobody, nobody), 0);
  ASSERT_EQ(chmod(mine.c_str(), 0444), 0);
  const std::string expected = "失败：" + theirs + " -> " +
                               Music / "A - B.mp3 (只读属性无法去除)\n" + "成功：" + mine + " -> " +
                               Music / "C - D.mp3\n";
  const auto dry = RunCommand(TUNARO_CLI, {"rename", "-n", Music.Path()}, {"", {}, nobody});
  EXPECT_EQ(dry.Status, 1) << dry.Err;
  EXPECT_EQ(dry.Out.substr(0, expected.size()), expected);
  EXPECT_EQ(Music.List(), (std::vector<std::string>{"a.mp3", "c.mp3"}));
  const auto real = RunCommand(TUNARO_CLI, {"rename", Music.Path()}, {"", {}, nobody});
  EXPECT_EQ(real.Status, 1) << real.Err;
  EXPECT_EQ(real.Out, dry.Out);
  EXPECT_EQ(Music.List(), (std::vector<std::string>{"C - D.mp3", "a.mp3"}));
}

// Under a GBK locale strftime writes GBK; the undo file's name must still be UTF-8, the file
// system's encoding, like the rest of it.
TEST_F(CmdRenameTest, UndoFileNameIsUtf8UnderAGbkLocale) {
  TTempDir locales;
  const TMadeLocale locale = MakeLocale(locales.Path(), "zh_CN", "GBK");
  if (locale.Name.empty()) GTEST_SKIP() << "cannot make the zh_CN.GBK locale here: " << locale.Why;
  Music.Write("a.mp3", TaggedMp3("A", "B"));
  const auto r =
      RunCommand(TUNARO_CLI, {"rename", "--undo", "--log-dir", Desktop.Path(), Music.Path()},
                 {"", {{"LOCPATH", locales.Path()}, {"LC_ALL", locale.Name}}});
  EXPECT_EQ(r.Status, 0) << r.Err;
  ASSERT_EQ(Desktop.List().size(), 1u);
  const std::string name = Desktop.List()[0];
  EXPECT_TRUE(platform::IsValidUtf8(name)) << name;
  EXPECT_EQ(name.rfind("撤销自动改名(", 0), 0u) << name;
  EXPECT_NE(name.find("年"), std::string::npos) << name;  // zh_CN's date format, in UTF-8
}

struct TUsageCase {
  std::vector<std::string> Args;
  const char* Message;
};

TEST_F(CmdRenameTest, UsageErrorsAndEmptyFoldersGiveStatusTwo) {
  const std::vector<TUsageCase> cases = {
      {{"rename"}, "exactly one FOLDER"},
      {{"rename", "-t", "aac", Music.Path()}, "unknown type"},
      {{"rename", "--bogus", Music.Path()}, "unknown option"},
      {{"rename", "-p"}, "needs a value"},
      {{"rename", Music.Path()}, "no mp3 file found"},
      {{"frobnicate"}, "Usage:"},
      // What a script passes with a variable unset, and numbers strtoul would take.
      {{"rename", ""}, "empty FOLDER"},
      {{"rename", "-p", "", Music.Path()}, "not an empty one"},
      {{"rename", "--log", "--log-dir", "", Music.Path()}, "not an empty one"},
      {{"rename", "--read-ahead", " 5", Music.Path()}, "0 to 256"},
      {{"rename", "--read-ahead", "+5", Music.Path()}, "0 to 256"},
      {{"undo", Music.Path()}, "is a folder, not a file"},
  };
  for (const auto& c : cases) {
    const auto r = Cli(c.Args);
    EXPECT_EQ(r.Status, 2) << c.Message;
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
  }
}

TEST(CmdHelp, EachCommandPrintsItsUsage) {
  for (const std::string command : {"rename", "tags", "export", "undo"}) {
    const auto r = Cli({command, "--help"});
    EXPECT_EQ(r.Status, 0) << command << r.Err;
    EXPECT_NE(r.Out.find("  tunaro-cli " + command + " "), std::string::npos) << r.Out;
  }
}

// Without --log-dir the log goes to the desktop folder, made where the user dirs put it when
// it is missing (a dry run makes nothing); a folder that is missing and cannot be made, or a
// missing --log-dir, is said plainly before any file is renamed.
TEST_F(CmdRenameTest, MissingDesktopFolderIsMadeOrSaidPlainly) {
  struct TCase {
    std::vector<std::string> Options;
    const char* Desktop;  // XDG_DESKTOP_DIR below the home folder, which holds a file "file"
    int Status;
    const char* Message;  // on stderr
  };
  const std::vector<TCase> cases = {
      {{"--log"}, "a/桌面", 0, "made the desktop folder"},
      {{"--undo", "-n"}, "a/桌面", 0, ""},
      {{"--undo"},
       "file/Desktop",
       2,
       "/file/Desktop is missing and cannot be made (Path not found); give a folder for the log "
       "and undo files with --log-dir DIR"},
      {{"--log", "--log-dir", "/nonexistent/logs"},
       "a/桌面",
       2,
       "/nonexistent/logs is missing (File not found); give an existing folder for the log and "
       "undo files with --log-dir DIR"},
  };
  for (const TCase& c : cases) {
    TTempDir home, music;
    home.Write("file", "x");
    home.Write(".config/user-dirs.dirs",
               "XDG_DESKTOP_DIR=\"$HOME/" + std::string(c.Desktop) + "\"");
    music.Write("a.mp3", TaggedMp3("A", "B"));
    std::vector<std::string> args = {"rename"};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    args.push_back(music.Path());
    const auto r = RunCommand(TUNARO_CLI, args,
                              {"", {{"HOME", home.Path()}, {"XDG_CONFIG_HOME", home / ".config"}}});
    EXPECT_EQ(r.Status, c.Status) << r.Err;
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
    const bool ran = c.Status == 0 && c.Options.back() != "-n";
    EXPECT_EQ(music.List()[0], ran ? "A - B.mp3" : "a.mp3");
    EXPECT_EQ(Exists(home / c.Desktop), ran) << c.Desktop;  // only a run makes it
    if (ran) {
      EXPECT_EQ(home.List(c.Desktop).size(), 1u);  // with the log in it
    }
  }
}

TEST_F(CmdRenameTest, LogThatCannotBeWrittenStopsWithTheErrorText) {
  Music.Write("a.mp3", TaggedMp3("A", "B"));
  const auto r = Cli({"rename", "--log", "--log-dir", Desktop / "missing", Music.Path()});
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Err.find("File not found"), std::string::npos) << r.Err;
  EXPECT_EQ(Music.List(), std::vector<std::string>{"a.mp3"});
}

TEST(CmdTags, PrintsTheID3v1FieldsAsJson) {
  TTempDir dir;
  std::string block = ID3v1Block("T\"x", std::string("\xB8\xE8", 2), "", "1999", "", 3, 17);
  const std::string file = dir.Write("a.mp3", std::string(10, 'x') + block);
  const auto r = Cli({"tags", file});
  EXPECT_EQ(r.Status, 0);
  EXPECT_NE(r.Out.find("\"file\":\"" + file + "\""), std::string::npos);
  EXPECT_NE(r.Out.find("\"TID3v1\":{\"Load\":true,\"Found\":true,\"VersionCode\":2,"
                       "\"Title\":\"T\\\"x\",\"Artist\":\"歌\",\"Album\":\"\",\"Year\":\"1999\","
                       "\"Comment\":\"\",\"Track\":3,\"GenreIndex\":17}"),
            std::string::npos)
      << r.Out;
}

}  // namespace
}  // namespace tunaro::test
