#include "engine/rename_run.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "engine/run_files.h"
#include "engine/scan.h"
#include "engine/undo_replay.h"
#include "platform/codec.h"
#include "platform/fs_calls.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace tunaro::engine {
namespace {

using platform::Utf8ToGbk;
using test::ID3v1Block;
using test::ReadFile;
using test::TaggedMp3;
using test::TRecordingHost;
using test::TTempDir;

const platform::TDateTimeTexts kNow{"2002-12-31", "9:05:07"};

class RenameRunTest : public ::testing::Test {
 protected:
  RenameRunTest() : Host(Desktop.Path()) {
    Settings.Template = "%1 - %2";
    Settings.Clock = [] { return kNow; };
  }
  // Lists the music folder as the window would and checks the named entries.
  void ListAndCheck(const std::vector<std::string>& names) {
    FolderRefresh(Host, Music.Path());
    for (size_t i = 0; i < Host.List.Count(); ++i)
      for (const auto& n : names)
        if (Host.List.Path(i) == Music / n) Host.List.SetChecked(i, true);
  }
  platform::TIoError Run() { return RenameRun(Host, Readers, Settings); }
  std::string Log() const { return ReadFile(Desktop / kRunLogName); }
  std::string Undo() const { return ReadFile(Desktop / UndoBatchName(kNow)); }

  TTempDir Music, Desktop;
  TRecordingHost Host;
  TReaders Readers;
  TRunSettings Settings;
};

TEST_F(RenameRunTest, RenamesFromID3v1AndFiltersIllegalCharacters) {
  Music.Write("track01.MP3", TaggedMp3("A/B", "Why?"));
  ListAndCheck({"track01.MP3"});
  ASSERT_FALSE(Run());
  EXPECT_EQ(Music.List(), std::vector<std::string>{"A B - Why .MP3"});
  EXPECT_EQ(Host.Run.Counters.Success, 1);
  EXPECT_EQ(Host.Run.Counters.Progress, 100);
  EXPECT_EQ(Host.Run.CurrentExtension, ".MP3");  // the last file's own spelling
}

TEST_F(RenameRunTest, TagTextsAreGbkAndBecomeNativeNames) {
  // "歌手" and "歌名" in GBK, with a zero byte inside the title.
  Music.Write("a.mp3", std::string(64, 'x') +
                           ID3v1Block(std::string("\xB8\xE8\xC3\xFB\0X", 6), "\xB8\xE8\xCA\xD6"));
  ListAndCheck({"a.mp3"});
  ASSERT_FALSE(Run());
  EXPECT_EQ(Music.List(), std::vector<std::string>{"歌手 - 歌名 X.mp3"});
}

TEST_F(RenameRunTest, ATagThatFillsNoPlaceholderFailsWithoutAName) {
  Music.Write("empty.mp3", TaggedMp3("", "", 0));
  Music.Write("fixed.mp3", TaggedMp3("", "", 0));
  Settings.KeepLog = true;
  ListAndCheck({"empty.mp3"});
  ASSERT_FALSE(Run());
  EXPECT_EQ(Music.List(), (std::vector<std::string>{"empty.mp3", "fixed.mp3"}));
  EXPECT_EQ(Host.Run.Counters.Failure, 1);
  EXPECT_NE(Log().find(Utf8ToGbk("失败：") + (Music / "empty.mp3") + " -> \r\n"),
            std::string::npos);
  // A template without placeholders still names the file as written.
  Settings.Template = "named";
  ListAndCheck({"fixed.mp3"});
  ASSERT_FALSE(Run());
  EXPECT_EQ(Music.List(), (std::vector<std::string>{"empty.mp3", "named.mp3"}));
}

TEST_F(RenameRunTest, TextTheCodePageCannotDecodeGivesNoName) {
  Music.Write("latin.mp3", TaggedMp3("D\xE9j\xE0 Vu", "X"));  // Latin-1: no GBK
  ListAndCheck({"latin.mp3"});
  ASSERT_FALSE(Run());
  EXPECT_EQ(Music.List(), std::vector<std::string>{"latin.mp3"});
  EXPECT_EQ(Host.Run.Counters.Failure, 1);
  Settings.CodePage = platform::TCodePage::Cp1252;
  ListAndCheck({"latin.mp3"});
  ASSERT_FALSE(Run());
  EXPECT_EQ(Music.List(), std::vector<std::string>{"Déjà Vu - X.mp3"});
}

TEST_F(RenameRunTest, MixedOutcomesAreCountedLoggedAndUndoable) {
  Music.Write("1.mp3", TaggedMp3("A", "One", 1));
  Music.Write("2.mp3", std::string(300, 'x'));  // no tag at all
  Music.Write("3.mp3", TaggedMp3("A", "Taken"));
  Music.Write("A - Taken.mp3", "the file that holds the name");
  Music.Write("4.mp3", TaggedMp3("A", "Locked"));
  Music.Write("5.mp3", TaggedMp3("A", "Unchecked"));
  ASSERT_EQ(chmod((Music / "4.mp3").c_str(), 0444), 0);
  Settings.KeepLog = Settings.CreateUndoBatch = true;
  ListAndCheck({"1.mp3", "2.mp3", "3.mp3", "4.mp3"});
  ASSERT_FALSE(Run());

  EXPECT_EQ(Music.List(), (std::vector<std::string>{"2.mp3", "3.mp3", "5.mp3", "A - Locked.mp3",
                                                    "A - One.mp3", "A - Taken.mp3"}));
  EXPECT_EQ(ReadFile(Music / "A - Taken.mp3"), "the file that holds the name");
  struct stat st;
  ASSERT_EQ(stat((Music / "A - Locked.mp3").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IWUSR);  // the read-only flag stays cleared
  EXPECT_EQ(Host.Run.Counters.Success, 2);
  EXPECT_EQ(Host.Run.Counters.Failure, 2);
  EXPECT_EQ(Host.Run.Counters.Total, 6);

  // The log lines follow the list's order, which is the file system's.
  std::string body;
  for (size_t i = 0; i < Host.List.Count(); ++i) {
    const std::string& p = Host.List.Path(i);
    const std::string name = p.substr(p.rfind('/') + 1);
    if (name == "1.mp3") body += Utf8ToGbk("成功：") + p + " -> " + Music / "A - One.mp3" + "\r\n";
    if (name == "2.mp3") body += Utf8ToGbk("失败：") + p + " -> \r\n";
    if (name == "3.mp3")
      body += Utf8ToGbk("失败：") + p + " -> " + Music / "A - Taken.mp3" + "\r\n";
    if (name == "4.mp3")
      body += Utf8ToGbk("成功：") + p + " -> " + Music / "A - Locked.mp3" + "\r\n";
  }
  const std::string dt = "2002-12-31 9:05:07";
  EXPECT_EQ(Log(), "\r\n" + Utf8ToGbk("执行日期时间：") + dt + "\r\n" + std::string(35, '-') +
                       "\r\n" + body + std::string(26, '-') + "\r\n" + Utf8ToGbk("完成时间：") +
                       dt + "\r\n" +
                       Utf8ToGbk("总共找到mp3文件：6 个\r\n成功换名：2 个\r\n换名失败：2 个\r\n"));
  const std::string undo = Undo();
  EXPECT_EQ(undo.substr(0, undo.find("\r\n")), Utf8ToGbk("rem 执行日期时间：") + dt);
  EXPECT_NE(undo.find("ren \"" + Music / "A - One.mp3" + "\" \"1.mp3\"\r\n"), std::string::npos);
  EXPECT_NE(undo.find("ren \"" + Music / "A - Locked.mp3" + "\" \"4.mp3\"\r\n"), std::string::npos);
  EXPECT_EQ(undo.substr(undo.size() - 14), Utf8ToGbk("rem 操作完成") + "\r\n");
  EXPECT_NE(undo.find("attrib +r \"" + Music / "4.mp3" + "\"\r\n"), std::string::npos);
  EXPECT_EQ(std::count(undo.begin(), undo.end(), '\n'), 5);  // no line for the taken name
}

TEST_F(RenameRunTest, NothingCheckedVisitsAllAndWritesOnlyFrames) {
  for (int i = 0; i < 3; ++i) Music.Write(std::to_string(i) + ".mp3", TaggedMp3("A", "B"));
  Settings.KeepLog = Settings.CreateUndoBatch = true;
  ListAndCheck({});
  ASSERT_FALSE(Run());
  EXPECT_EQ(Host.Run.Counters.Success + Host.Run.Counters.Failure, 0);
  EXPECT_EQ(Host.Run.Counters.Progress, 100);
  EXPECT_EQ(Undo(), Utf8ToGbk("rem 执行日期时间：2002-12-31 9:05:07\r\nrem 操作完成\r\n"));
  EXPECT_EQ(Log().find(Utf8ToGbk("成功：")), std::string::npos);
  // The summary names the chosen type's extension when no entry was processed.
  EXPECT_NE(Log().find(Utf8ToGbk("总共找到mp3文件：3 个")), std::string::npos);
}

TEST_F(RenameRunTest, GaugeAdvancesOnlyAsCheckedEntriesFinish) {
  std::vector<std::string> checked;
  for (int i = 0; i < 10; ++i) Host.List.Append(Music.Write(std::to_string(i) + ".mp3", "x"));
  Host.List.SetChecked(0, true);
  Host.List.SetChecked(9, true);
  ASSERT_FALSE(Run());
  EXPECT_EQ(Host.ProgressSteps(), (std::vector<int>{0, 10, 100}));
}

TEST_F(RenameRunTest, SameNameForTwoFilesRenamesOnlyTheFirst) {
  Settings.Template = "fixed";
  Host.List.Append(Music.Write("a.mp3", TaggedMp3("A", "B")));
  Host.List.Append(Music.Write("b.mp3", TaggedMp3("C", "D")));
  Host.List.SetAllChecked(true);
  ASSERT_FALSE(Run());
  EXPECT_EQ(Music.List(), (std::vector<std::string>{"b.mp3", "fixed.mp3"}));
  EXPECT_EQ(Host.Run.Counters.Failure, 1);
}

TEST_F(RenameRunTest, AFileThatAlreadyHasItsNameCountsAsSuccess) {
  Host.List.Append(Music.Write("A - B.mp3", TaggedMp3("A", "B")));
  Host.List.SetAllChecked(true);
  ASSERT_FALSE(Run());
  EXPECT_EQ(Host.Run.Counters.Success, 1);
  EXPECT_EQ(Music.List(), std::vector<std::string>{"A - B.mp3"});
}

TEST_F(RenameRunTest, UnknownExtensionsAndFoldersFailWithoutReader) {
  Host.List.Append(Music.Write("notes.txt", TaggedMp3("A", "B")));
  Host.List.Append(Music.MakeDir("folder"));
  Host.List.SetAllChecked(true);
  ASSERT_FALSE(Run());
  EXPECT_EQ(Host.Run.Counters.Failure, 2);
  EXPECT_EQ(Host.Run.CurrentExtension, "");
  EXPECT_EQ(Host.Outcomes[0].NewPath, "");
}

TEST_F(RenameRunTest, DryRunChangesNothingButAnswersAsTheRunWould) {
  Music.Write("a.mp3", TaggedMp3("A", "B"));
  Music.Write("b.mp3", TaggedMp3("A", "B"));
  Settings.DryRun = Settings.KeepLog = true;
  ListAndCheck({"a.mp3", "b.mp3"});
  ASSERT_FALSE(Run());
  EXPECT_EQ(Music.List(), (std::vector<std::string>{"a.mp3", "b.mp3"}));
  EXPECT_EQ(Host.Run.Counters.Success, 1);
  EXPECT_EQ(Host.Run.Counters.Failure, 1);
  EXPECT_FALSE(test::Exists(Desktop / kRunLogName));
}

// Every reason a file keeps its name, given alike by the dry run and the run; a name an
// earlier file gave up is free again for a later one.
TEST_F(RenameRunTest, DryRunGivesTheRunsReasons) {
  using enum TFailReason;
  Settings.Template = "%1%2%1%2%1%2%1%2%1";
  Music.Write("ABABABABA.mp3", "no tag");
  Music.Write("HIHIHIHIH.mp3", TaggedMp3("J", "K"));
  Music.Write("a.mp3", TaggedMp3("A", "B"));
  Music.Write("c.mp3", TaggedMp3("C", "D"));
  Music.Write("d.mp3", TaggedMp3("C", "D"));
  Music.Write("e.mp3", TaggedMp3("", ""));
  Music.Write("f.mp3", "no tag");
  Music.Write("g.mp3", TaggedMp3(std::string(30, 'x'), std::string(30, 'y')));
  Music.Write("h.mp3", TaggedMp3("H", "I"));
  Music.Write("i.mp3", TaggedMp3("/", "?"));  // blanks alone once filtered
  Music.Write("j\nren \"victim.txt\" \"pwned.mp3\".mp3", TaggedMp3("L", "F"));  // kept log
  Settings.KeepLog = true;
  ListAndCheck({"HIHIHIHIH.mp3", "a.mp3", "c.mp3", "d.mp3", "e.mp3", "f.mp3", "g.mp3", "h.mp3",
                "i.mp3", "j\nren \"victim.txt\" \"pwned.mp3\".mp3"});
  Host.List.Append(Music.Write("notes.txt", TaggedMp3("N", "O")));
  Host.List.SetChecked(Host.List.Count() - 1, true);

  Settings.DryRun = true;
  ASSERT_FALSE(Run());
  const std::vector<test::TOutcome> dry = std::move(Host.Outcomes);
  Settings.DryRun = false;
  Host.Outcomes.clear();
  ASSERT_FALSE(Run());
  EXPECT_EQ(Host.Outcomes, dry);
  std::vector<TFailReason> reasons;
  for (const auto& o : dry) reasons.push_back(o.Reason);
  EXPECT_EQ(reasons,
            (std::vector<TFailReason>{None, NameTaken, None, NameTakenInRun, EmptyFields, NoTagData,
                                      NameTooLong, None, EmptyName, LineBreak, NoReader}));
  EXPECT_EQ(Log().find("\nren "), std::string::npos);
}

// A link has no mode of its own: renaming it must leave its read-only target alone, also
// when the target lies in another folder.
TEST_F(RenameRunTest, RenamingALinkLeavesItsReadOnlyTargetAlone) {
  TTempDir elsewhere;
  const std::string target = elsewhere.Write("t.mp3", TaggedMp3("A", "B"));
  ASSERT_EQ(chmod(target.c_str(), 0444), 0);
  ASSERT_EQ(symlink(target.c_str(), (Music / "a.mp3").c_str()), 0);
  ListAndCheck({"a.mp3"});
  ASSERT_FALSE(Run());
  EXPECT_EQ(Music.List(), std::vector<std::string>{"A - B.mp3"});
  struct stat st;
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  // Without a reader's look first, the run asks the name itself.
  EXPECT_EQ(platform::GetOwnAttributes(Music / "A - B.mp3") & platform::faReadOnly, 0);
  EXPECT_NE(platform::GetAttributes(Music / "A - B.mp3") & platform::faReadOnly, 0);
}

// The flag is cleared only right before a rename that is made, put back when the rename is
// refused, and the undo file sets it again.
TEST_F(RenameRunTest, AReadOnlyFlagGoesOnlyWithARenameAndComesBackWithTheUndo) {
  Music.Write("A - Taken.mp3", "the file that holds the name");
  for (const char* name : {"refused.mp3", "renamed.mp3", "taken.mp3"}) {
    const std::string stem = std::string(name).substr(0, std::strlen(name) - 4);
    Music.Write(name, TaggedMp3("A", stem == "taken" ? "Taken" : stem));
    ASSERT_EQ(chmod((Music / name).c_str(), 0444), 0);
  }
  Settings.CreateUndoBatch = true;
  ListAndCheck({"refused.mp3", "renamed.mp3", "taken.mp3"});
  platform::FsCalls().RenameNoReplace = [](const char* from, const char* to) {
    errno = EACCES;
    return std::string_view(from).ends_with("/refused.mp3")
               ? -1
               : platform::SystemFsCalls().RenameNoReplace(from, to);
  };
  const platform::TIoError error = Run();
  platform::FsCalls() = platform::SystemFsCalls();
  ASSERT_FALSE(error);
  const auto mode = [](const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_mode & 0777 : 0;
  };
  EXPECT_EQ(mode(Music / "refused.mp3"), 0444u);
  EXPECT_EQ(mode(Music / "taken.mp3"), 0444u);
  EXPECT_EQ(mode(Music / "A - renamed.mp3"), 0644u);
  EXPECT_EQ(ReplayUndoBatch(ParseUndoBatch(Undo()), false, [](const TUndoOutcome&) {}), 0u);
  EXPECT_EQ(mode(Music / "renamed.mp3"), 0444u);
}

// Two runs in the same second each write a file of their own; a line taken back leaves what
// another writer appended.
TEST(UndoBatch, EachRunHasItsOwnFileAndTakesBackOnlyItsOwnLine) {
  TTempDir desktop;
  TUndoBatch first, second;
  ASSERT_FALSE(first.Open(RunFilesFolder(desktop.Path()), kNow));
  ASSERT_FALSE(second.Open(RunFilesFolder(desktop.Path()), kNow));
  EXPECT_EQ(first.Path(), desktop / UndoBatchName(kNow));
  EXPECT_EQ(second.Path(), desktop / "撤销自动改名(2002-12-31#9-05-07#2).bat");
  ASSERT_FALSE(first.Renaming("/m/a.mp3", "/m/b.mp3"));
  std::ofstream(first.Path(), std::ios::app) << "rem another writer\r\n";
  ASSERT_FALSE(first.Refused());
  ASSERT_FALSE(first.Renaming("/m/c.mp3", "/m/d.mp3"));
  ASSERT_FALSE(first.Refused());
  ASSERT_FALSE(first.Close());
  const std::string bytes = ReadFile(first.Path());
  EXPECT_TRUE(ParseUndoBatch(bytes).Steps.empty()) << bytes;
  EXPECT_NE(bytes.find("\r\nrem another writer\r\n"), std::string::npos) << bytes;
}

TEST_F(RenameRunTest, TwoRunsAppendTwoLogSections) {
  Settings.KeepLog = true;
  ASSERT_FALSE(Run());
  ASSERT_FALSE(Run());
  const std::string log = Log();
  EXPECT_EQ(log.rfind("\r\n" + Utf8ToGbk("执行日期时间："), 0), 0u);
  EXPECT_NE(log.find(Utf8ToGbk("个\r\n\r\n执行日期时间：")), std::string::npos);
}

TEST_F(RenameRunTest, UndoFileThatCannotBeCreatedStopsTheRunBeforeAnyRename) {
  Music.Write("a.mp3", TaggedMp3("A", "B"));
  // A regular file where the desktop folder should be: the log cannot go there either.
  const std::string notAFolder = Desktop.Write("file", "x");
  TRecordingHost host(notAFolder);
  host.List.Append(Music / "a.mp3");
  host.List.SetAllChecked(true);
  Settings.CreateUndoBatch = true;
  const auto error = RenameRun(host, Readers, Settings);
  EXPECT_EQ(error.Text(), "Path not found");
  EXPECT_EQ(Music.List(), std::vector<std::string>{"a.mp3"});
  EXPECT_EQ(host.Run.Counters.Progress, 0);  // the panel shows the state at the stop
}

TEST_F(RenameRunTest, LogErrorStopsTheRunAfterTheOpenUndoFileIsClosed) {
  Music.Write("a.mp3", TaggedMp3("A", "B"));
  Host.List.Append(Music / "a.mp3");
  Host.List.SetAllChecked(true);
  Settings.KeepLog = Settings.CreateUndoBatch = true;
  // The log's name is taken by a folder: opening it fails, nothing is renamed.
  Desktop.MakeDir(kRunLogName);
  const auto error = Run();
  EXPECT_TRUE(error);
  EXPECT_EQ(Music.List(), std::vector<std::string>{"a.mp3"});
  EXPECT_FALSE(test::Exists(Desktop / UndoBatchName(kNow)));
}

TEST(UndoBatchName, ReplacesWhatAFileNameMayNotHold) {
  EXPECT_EQ(UndoBatchName({"2002-12-31", "9:05:07"}), "撤销自动改名(2002-12-31#9-05-07).bat");
  EXPECT_EQ(UndoBatchName({"12/31/02", "09:05:07 PM"}), "撤销自动改名(12-31-02#09-05-07 PM).bat");
  EXPECT_EQ(RunFilesFolder(""), "/");
  EXPECT_EQ(RunFilesFolder("/home/u/Desktop"), "/home/u/Desktop/");
}

}  // namespace
}  // namespace tunaro::engine
