// Replaying undo batch files: the parser, the reverse-order replay, and the round trip of a
// real run through tunaro-cli rename --undo and tunaro-cli undo.
#include "engine/undo_replay.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/run_files.h"
#include "platform/codec.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

namespace fs = std::filesystem;
using engine::ParseUndoBatch;
using engine::ReplayUndoBatch;
using engine::TUndoOutcome;
using platform::Utf8ToGbk;

// Every file under a folder by its relative path, with its content's hash.
std::map<std::string, uint64_t> Snapshot(const std::string& root) {
  std::map<std::string, uint64_t> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (!e.is_regular_file()) continue;
    uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : ReadFile(e.path().string())) h = (h ^ c) * 1099511628211ull;
    files[fs::relative(e.path(), root).string()] = h;
  }
  return files;
}

std::string Quote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct TRun {
  int Status = -1;
  std::string Output;
};

TRun Cli(const std::vector<std::string>& args) {
  std::string command = Quote(TUNARO_CLI);
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

// A batch file as a run writes it: GBK, CR LF.
std::string Batch(const std::vector<std::string>& utf8Lines) {
  std::string bytes;
  for (const auto& line : utf8Lines) bytes += Utf8ToGbk(line) + "\r\n";
  return bytes;
}

struct TReplay {
  std::vector<std::pair<std::string, int>> Outcomes;  // new path, errno; in replay order
  size_t Failed = 0;
};

TReplay Replay(const std::string& bytes, bool dryRun) {
  TReplay r;
  r.Failed = ReplayUndoBatch(ParseUndoBatch(bytes), dryRun, [&](const TUndoOutcome& o) {
    r.Outcomes.emplace_back(o.Step.NewPath, o.Errno);
  });
  return r;
}

TEST(UndoBatchParse, ReadsRenLinesAndSkipsRemarks) {
  const auto batch = ParseUndoBatch(Batch({
      "rem 执行日期时间：2026-12-07 22:00:00",
      "ren \"/m/周杰伦 - 晴天.mp3\" \"第01首.mp3\"",
      "ren \"/m/A - B.MP3\" \"track 02.MP3\"",
      "rem 操作完成",
  }));
  ASSERT_EQ(batch.Steps.size(), 2u);
  EXPECT_EQ(batch.Steps[0].LineNumber, 2u);
  EXPECT_EQ(batch.Steps[0].NewPath, "/m/周杰伦 - 晴天.mp3");
  EXPECT_EQ(batch.Steps[0].OldPath, "/m/第01首.mp3");
  EXPECT_EQ(batch.Steps[1].OldPath, "/m/track 02.MP3");
  EXPECT_TRUE(batch.BadLines.empty());
  EXPECT_TRUE(batch.Closed);
}

TEST(UndoBatchParse, FlagsBadLinesAndAMissingClosingLine) {
  const auto batch = ParseUndoBatch(
      "rem x\r\n"
      "\r\n"
      "del \"/m/a.mp3\"\r\n"               // not ours
      "ren \"/m/a.mp3\" \"../b.mp3\"\r\n"  // would leave the folder
      "ren \"/m/a.mp3\" \"\"\r\n"          // no old name
      "ren \"/m/a.mp3\" \"c/d.mp3\"\r\n"   // would leave the folder
      "ren /m/a.mp3 b.mp3\r\n"             // unquoted
      "ren \"a.mp3\" \"b.mp3\"\r\n"        // relative: would act where the replay runs
      "attrib +r \"/m/a.mp3\"\r\n"         // no ren line of its own before
      "REN \"/m/x.mp3\" \"y.mp3\"\n"       // LF only, upper case: still a command
      "ATTRIB +R \"/m/y.mp3\"\n");         // the file was read-only
  EXPECT_EQ(batch.BadLines, (std::vector<size_t>{3, 4, 5, 6, 7, 8, 9}));
  ASSERT_EQ(batch.Steps.size(), 1u);
  EXPECT_EQ(batch.Steps[0].OldPath, "/m/y.mp3");
  EXPECT_TRUE(batch.Steps[0].ReadOnly);
  EXPECT_FALSE(batch.Closed);
}

TEST(UndoBatchParse, ALineCutWhenTheRunWasKilledIsNoStep) {
  // The run writes each line before its rename: a line without its end was never acted on.
  const std::string whole = "rem x\r\nren \"/m/a.mp3\" \"b.mp3\"\r\n";
  for (const char* cut : {"ren \"/m/c.mp3\" \"d.m", "ren \"/m/c.mp3\" \"d.mp3\""}) {
    const auto batch = ParseUndoBatch(whole + cut);
    EXPECT_TRUE(batch.BadLines.empty()) << cut;
    ASSERT_EQ(batch.Steps.size(), 1u) << cut;
    EXPECT_EQ(batch.Steps[0].OldPath, "/m/b.mp3");
  }
  // The closing line may lack its end and still closes the file.
  EXPECT_TRUE(ParseUndoBatch(whole + Utf8ToGbk("rem 操作完成")).Closed);
}

TEST(UndoBatchParse, AmbiguousQuotesPickTheSplitThatNamesAFile) {
  TTempDir dir;
  dir.Write("a\" \"b/New.mp3", "x");
  const auto batch =
      ParseUndoBatch("ren \"" + dir.Path() + "/a\" \"b/New.mp3\" \"old \" \"name.mp3\"\r\n");
  ASSERT_EQ(batch.Steps.size(), 1u);
  EXPECT_EQ(batch.Steps[0].NewPath, dir.Path() + "/a\" \"b/New.mp3");
  EXPECT_EQ(batch.Steps[0].OldPath, dir.Path() + "/a\" \"b/old \" \"name.mp3");
}

TEST(UndoBatchParse, NamesGbkLacksAreReadAsTheyStand) {
  // A name with a character outside GBK is written as UTF-8 bytes; so is a name that is not
  // UTF-8 at all. Both must come back unchanged.
  const std::string emoji = "/m/\xF0\x9F\x8E\xB5 song.mp3";
  const std::string latin1 = "/m/caf\xE9.mp3";
  EXPECT_EQ(platform::Utf8ToGbkOrRaw(emoji), emoji);
  const auto batch = ParseUndoBatch("ren \"" + platform::Utf8ToGbkOrRaw(emoji) + "\" \"" +
                                    platform::Utf8ToGbkOrRaw("旧 \xF0\x9F\x8E\xB5.mp3") +
                                    "\"\r\nren \"" + latin1 + "\" \"old\xE9.mp3\"\r\n");
  ASSERT_EQ(batch.Steps.size(), 2u);
  EXPECT_EQ(batch.Steps[0].NewPath, emoji);
  EXPECT_EQ(batch.Steps[0].OldPath, "/m/旧 \xF0\x9F\x8E\xB5.mp3");
  EXPECT_EQ(batch.Steps[1].NewPath, latin1);
  EXPECT_EQ(batch.Steps[1].OldPath, "/m/old\xE9.mp3");
}

// The same line bytes read differently by what is on disk: D4 AD is 原 in GBK and U+052D
// (ԭ) in UTF-8. Each case creates its files, then parses one line.
struct TReadingCase {
  const char* Name;
  std::vector<std::string> Files;  // created in the folder
  std::string NewText, OldText;    // the line's texts after the folder, as bytes
  std::string NewPath, OldName;    // expected, as file system bytes
};

TEST(UndoBatchParse, TheReadingWhoseNewPathExistsWins) {
  const std::string yuanGbk = "\xD4\xAD", komi = "\xD4\xAD";  // 原 in GBK, ԭ in UTF-8
  const std::string emoji = "\xF0\x9F\x8E\xB5";
  const TReadingCase cases[] = {
      {"GBK reading", {"原0.mp3"}, yuanGbk + "0.mp3", "a.mp3", "原0.mp3", "a.mp3"},
      {"as it stands", {komi + "0.mp3"}, yuanGbk + "0.mp3", "a.mp3", komi + "0.mp3", "a.mp3"},
      {"both exist: GBK first",
       {"原0.mp3", komi + "0.mp3"},
       yuanGbk + "0.mp3",
       "a.mp3",
       "原0.mp3",
       "a.mp3"},
      {"old name GBK", {"n.mp3"}, "n.mp3", yuanGbk + ".mp3", "n.mp3", "原.mp3"},
      {"聞 both ways",
       {"\xC2\x84.mp3"},
       "\xC2\x84.mp3",
       "\xC2\x84.mp3",
       "\xC2\x84.mp3",
       "\xC2\x84.mp3"},
      {"no new path, old name as it stands exists",
       {komi + ".mp3"},
       "gone.mp3",
       yuanGbk + ".mp3",
       "gone.mp3",
       komi + ".mp3"},
      {"no file at all: GBK", {}, "gone.mp3", yuanGbk + ".mp3", "gone.mp3", "原.mp3"},
      {"REN: as it stands first", {"枚.mp3", "ö.mp3"}, "\xC3\xB6.mp3", "a.mp3", "ö.mp3", "a.mp3"},
      {"ren: GBK first", {"枚.mp3", "ö.mp3"}, "\xC3\xB6.mp3", "a.mp3", "枚.mp3", "a.mp3"},
      {"REN, plain new path", {"n.mp3"}, "n.mp3", "\xC3\xB6.mp3", "n.mp3", "ö.mp3"},
      {"ren, plain new path", {"n.mp3"}, "n.mp3", "\xC3\xB6.mp3", "n.mp3", "枚.mp3"},
      {"older file: GBK path, raw old name",
       {"晴天.mp3"},
       Utf8ToGbk("晴天.mp3"),
       emoji + "歌.mp3",
       "晴天.mp3",
       emoji + "歌.mp3"},
  };
  for (const auto& c : cases) {
    TTempDir dir;
    for (const auto& f : c.Files) dir.Write(f, "x");
    const std::string folder = dir.Path() + "/";
    const std::string command = std::string(c.Name).substr(0, 3) == "REN" ? "REN" : "ren";
    const auto batch =
        ParseUndoBatch(command + " \"" + folder + c.NewText + "\" \"" + c.OldText + "\"\r\n");
    ASSERT_EQ(batch.Steps.size(), 1u) << c.Name;
    EXPECT_EQ(batch.Steps[0].NewPath, folder + c.NewPath) << c.Name;
    EXPECT_EQ(batch.Steps[0].OldPath, folder + c.OldName) << c.Name;
  }
}

// What the replay does with a line, by what is on disk.
struct TSkipCase {
  bool NewExists, OldExists;
  int Errno;
  bool Skipped;
};

TEST(UndoReplaySkip, ALineWhoseFileIsAlreadyBackIsSkippedNotFailed) {
  const TSkipCase cases[] = {
      {true, false, 0, false},        // the normal undo
      {true, true, EEXIST, false},    // the old name was taken since
      {false, true, 0, true},         // the run was killed before this rename, or undone already
      {false, false, ENOENT, false},  // the file is gone
  };
  for (const auto& c : cases) {
    for (const bool dryRun : {true, false}) {
      TTempDir dir;
      if (c.NewExists) dir.Write("new.mp3", "renamed");
      if (c.OldExists) dir.Write("old.mp3", "old");
      const auto before = dir.List();
      size_t calls = 0;
      const size_t failed =
          ReplayUndoBatch(ParseUndoBatch("ren \"" + (dir / "new.mp3") + "\" \"old.mp3\"\r\n"),
                          dryRun, [&](const TUndoOutcome& o) {
                            ++calls;
                            EXPECT_EQ(o.Errno, c.Errno) << c.NewExists << c.OldExists << dryRun;
                            EXPECT_EQ(o.Skipped, c.Skipped) << c.NewExists << c.OldExists << dryRun;
                          });
      EXPECT_EQ(calls, 1u);
      EXPECT_EQ(failed, c.Errno != 0 ? 1u : 0u);
      if (dryRun || c.Errno != 0 || c.Skipped) {
        EXPECT_EQ(dir.List(), before);
      }
    }
  }
}

class UndoReplayTest : public ::testing::Test {
 protected:
  TTempDir Dir;
};

// x.mp3 became y.mp3, then z.mp3 took the freed x.mp3. Replayed in the file's order the
// first line would find x.mp3 taken; last line first, both come back.
TEST_F(UndoReplayTest, UndoesAChainInReverseOrder) {
  Dir.Write("y.mp3", "first");
  Dir.Write("x.mp3", "second");
  const std::string bytes = Batch({"rem start", "ren \"" + (Dir / "y.mp3") + "\" \"x.mp3\"",
                                   "ren \"" + (Dir / "x.mp3") + "\" \"z.mp3\"", "rem 操作完成"});

  const TReplay dry = Replay(bytes, true);
  EXPECT_EQ(dry.Failed, 0u);
  EXPECT_EQ(Dir.List(), (std::vector<std::string>{"x.mp3", "y.mp3"}));  // nothing changed

  const TReplay real = Replay(bytes, false);
  EXPECT_EQ(real.Failed, 0u);
  ASSERT_EQ(real.Outcomes.size(), 2u);
  EXPECT_EQ(real.Outcomes[0].first, Dir / "x.mp3");  // the last line went first
  EXPECT_EQ(ReadFile(Dir / "x.mp3"), "first");
  EXPECT_EQ(ReadFile(Dir / "z.mp3"), "second");
  EXPECT_EQ(Dir.List(), (std::vector<std::string>{"x.mp3", "z.mp3"}));
}

TEST_F(UndoReplayTest, NeverReplacesAndReportsEachFailure) {
  Dir.Write("New.mp3", "renamed");
  Dir.Write("Old.mp3", "someone else's");  // the old name was taken since the run
  const std::string bytes =
      Batch({"ren \"" + (Dir / "New.mp3") + "\" \"Old.mp3\"",
             "ren \"" + (Dir / "Gone.mp3") + "\" \"Was.mp3\"", "rem 操作完成"});
  for (const bool dryRun : {true, false}) {
    const TReplay r = Replay(bytes, dryRun);
    EXPECT_EQ(r.Failed, 2u);
    ASSERT_EQ(r.Outcomes.size(), 2u);
    EXPECT_EQ(r.Outcomes[0].second, ENOENT);
    EXPECT_EQ(r.Outcomes[1].second, EEXIST);
  }
  EXPECT_EQ(ReadFile(Dir / "New.mp3"), "renamed");
  EXPECT_EQ(ReadFile(Dir / "Old.mp3"), "someone else's");
}

TEST_F(UndoReplayTest, DryRunSeesItsOwnEarlierSteps) {
  Dir.Write("b.mp3", "1");
  // Both lines want a.mp3 back: only the first one replayed (the last line) can have it.
  const std::string bytes = Batch(
      {"ren \"" + (Dir / "b.mp3") + "\" \"a.mp3\"", "ren \"" + (Dir / "b.mp3") + "\" \"c.mp3\""});
  const TReplay dry = Replay(bytes, true);
  ASSERT_EQ(dry.Outcomes.size(), 2u);
  EXPECT_EQ(dry.Outcomes[0].second, 0);       // b -> c
  EXPECT_EQ(dry.Outcomes[1].second, ENOENT);  // b is gone by then
  const TReplay real = Replay(bytes, false);
  EXPECT_EQ(real.Outcomes, dry.Outcomes);
}

// A run over a chain (k0 -> z, k1 -> k0, ...) killed inside its fourth rename leaves that
// rename half made: the claim's empty placeholder at k2, or a second link of k3 there, or
// nothing. The undo takes that rename for one that did not happen and brings every file back;
// a second replay finds nothing to do.
TEST_F(UndoReplayTest, AKilledRenameInAChainIsOneThatDidNotHappen) {
  enum TLeft { Placeholder, SecondLink, Nothing };
  for (const TLeft left : {Placeholder, SecondLink, Nothing}) {
    SCOPED_TRACE(left);
    TTempDir dir;
    std::vector<std::string> lines{"rem start"};
    for (int i = 0; i < 6; ++i) {
      const std::string name = "k" + std::to_string(i),
                        to = i == 0 ? "z" : "k" + std::to_string(i - 1);
      dir.Write(i < 3 ? to : name, name);
      if (i < 4) lines.push_back("ren \"" + (dir / to) + "\" \"" + name + "\"");
    }
    if (left == Placeholder) dir.Write("k2", "");
    if (left == SecondLink) {
      ASSERT_EQ(link((dir / "k3").c_str(), (dir / "k2").c_str()), 0);
    }
    const std::string bytes = Batch(lines);
    for (const bool dryRun : {true, false, false}) {
      const TReplay r = Replay(bytes, dryRun);
      EXPECT_EQ(r.Failed, 0u) << dryRun;
    }
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(ReadFile(dir / ("k" + std::to_string(i))), "k" + std::to_string(i));
    EXPECT_EQ(dir.List().size(), 6u);
  }
}

// Killed on its way to another spelling of its own name, a file waits under its temporary
// name, where the undo finds it.
TEST_F(UndoReplayTest, AFileLeftOnItsWayToAnotherSpellingComesBack) {
  Dir.Write(".~old.mp3", "renamed");
  EXPECT_EQ(Replay(Batch({"ren \"" + (Dir / "Old.mp3") + "\" \"old.mp3\""}), false).Failed, 0u);
  EXPECT_EQ(Dir.List(), std::vector<std::string>{"old.mp3"});
}

// The whole road on real files: rename with the undo option, replay the batch file with the
// command line, and find every file back under its old name with its bytes untouched.
TEST(UndoRoundTrip, RenameThenUndoRestoresNamesAndBytes) {
  TTempDir music, desktop;
  const std::string samples = TUNARO_TEST_DATA "/mp3-ogg-wma/";
  auto copy = [&](const std::string& sample, const std::string& name) {
    fs::copy_file(samples + sample, music / name);
    fs::permissions(music / name, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::add);
  };
  copy("v23-and-v1.mp3", "第01首.mp3");
  copy("v23-only.mp3", "track 02.mp3");
  copy("v23-utf16.mp3", "Luomo.MP3");
  music.Write("没有标签.mp3", std::string(2048, '\xFF'));  // no tag: fails, keeps its name
  music.Write("老歌 03.mp3", TaggedMp3(Utf8ToGbk("周杰伦"), Utf8ToGbk("晴天"), 3));
  music.Write("\xF0\x9F\x8E\xB5 04.mp3", TaggedMp3(Utf8ToGbk("王菲"), Utf8ToGbk("红豆"), 4));
  music.Write("sub/深处.mp3", TaggedMp3(Utf8ToGbk("邓丽君"), Utf8ToGbk("月亮代表我的心")));
  music.Write("sub/same1.mp3", TaggedMp3("Same", "Name"));
  music.Write("sub/same2.mp3", TaggedMp3("Same", "Name"));  // one of the two fails: taken
  music.Write("sub/notes.txt", "not audio");
  const auto before = Snapshot(music.Path());

  const TRun run = Cli(
      {"rename", "-r", "--undo", "--log-dir", desktop.Path(), "-p", "%1 - %2 (%6)", music.Path()});
  EXPECT_EQ(run.Status, 1) << run.Output;  // two failures
  const auto renamed = Snapshot(music.Path());
  EXPECT_NE(renamed, before);
  EXPECT_EQ(renamed.size(), before.size());
  EXPECT_TRUE(renamed.count("周杰伦 - 晴天 (03).mp3")) << run.Output;
  EXPECT_TRUE(renamed.count("sub/邓丽君 - 月亮代表我的心 (00).mp3")) << run.Output;
  EXPECT_TRUE(renamed.count("没有标签.mp3"));

  const auto bats = desktop.List();
  ASSERT_EQ(bats.size(), 1u);
  const std::string bat = desktop / bats[0];
  const std::string batBytes = ReadFile(bat);
  EXPECT_NE(batBytes.find(Utf8ToGbk("\" \"第01首.mp3\"\r\n")), std::string::npos);

  const TRun dry = Cli({"undo", "-n", bat});
  EXPECT_EQ(dry.Status, 0) << dry.Output;
  EXPECT_EQ(Snapshot(music.Path()), renamed);

  const TRun undo = Cli({"undo", bat});
  EXPECT_EQ(undo.Status, 0) << undo.Output;
  EXPECT_EQ(Snapshot(music.Path()), before) << undo.Output;
  EXPECT_EQ(ReadFile(bat), batBytes);  // the batch file itself is left as it was

  // A second replay finds every file under its old name: all skipped, none failed.
  const TRun again = Cli({"undo", bat});
  EXPECT_EQ(again.Status, 0) << again.Output;
  EXPECT_NE(again.Output.find("成功恢复：0 个\n换名失败：0 个\n无需恢复："), std::string::npos)
      << again.Output;
  EXPECT_EQ(Snapshot(music.Path()), before);
}

// Every kind of name against every other, in folders of every kind: characters GBK has
// (also those whose GBK bytes are valid UTF-8), characters it lacks, and bytes that are not
// UTF-8. A real run renames them all from their tags, and the undo file brings back every
// name byte for byte. New names come from GBK tags, so their own kinds are fewer; the
// folder gives the new path the other kinds.
TEST(UndoRoundTrip, EveryKindOfNameComesBackByteForByte) {
  const std::vector<std::string> folderKinds = {"plain", "原 聞", "\xF0\x9F\x8E\xB5 노래",
                                                "caf\xE9", "ö"};
  const std::vector<std::string> oldKinds = {
      "old", "旧歌", "原0", "聞", "노래", "\xF0\x9F\x8E\xB5", "ö", "caf\xE9", "\xB8\xE8"};
  const std::vector<std::string> newKinds = {"New", "晴天", "原", "聞"};
  TTempDir music, desktop;
  struct TRenamed {
    std::string Old, New;
  };
  std::vector<TRenamed> expected;
  int n = 0;
  for (const auto& folder : folderKinds)
    for (const auto& oldKind : oldKinds)
      for (const auto& newKind : newKinds) {
        const std::string index = std::to_string(++n);
        const std::string old = music / (folder + "/" + oldKind + "_" + index + ".mp3");
        music.Write(folder + "/" + oldKind + "_" + index + ".mp3",
                    TaggedMp3("A", Utf8ToGbk(newKind + "+" + index)));
        expected.push_back({old, music / (folder + "/" + newKind + "+" + index + ".mp3")});
      }
  const auto before = Snapshot(music.Path());
  ASSERT_EQ(before.size(), expected.size());

  const TRun run = Cli(
      {"rename", "-r", "--undo", "--log", "--log-dir", desktop.Path(), "-p", "%2", music.Path()});
  ASSERT_EQ(run.Status, 0) << run.Output;
  for (const auto& r : expected) EXPECT_TRUE(Exists(r.New)) << r.New;

  // Each line is all GBK where GBK holds it exactly, else all as it stands; the log's lines
  // likewise.
  std::string bat;
  for (const auto& name : desktop.List())
    if (name.size() > 4 && name.substr(name.size() - 4) == ".bat") bat = desktop / name;
  const std::string undoBytes = ReadFile(bat);
  const std::string logBytes = ReadFile(desktop / engine::kRunLogName);
  size_t gbkLines = 0, rawLines = 0;
  auto asWritten = [&](const std::string& text, const std::string& rawPrefix) {
    std::string gbk;
    if (platform::Utf8ToGbkExactly(text, gbk)) return ++gbkLines, gbk;
    return ++rawLines, rawPrefix + text.substr(rawPrefix.size());
  };
  for (const auto& r : expected) {
    const std::string undoLine =
        asWritten("ren \"" + r.New + "\" \"" + r.Old.substr(r.Old.rfind('/') + 1) + "\"", "REN");
    EXPECT_NE(undoBytes.find("\n" + undoLine + "\r\n"), std::string::npos) << undoLine;
    const std::string logLine = asWritten("成功：" + r.Old + " -> " + r.New, "");
    EXPECT_NE(logBytes.find("\n" + logLine + "\r\n"), std::string::npos) << logLine;
  }
  EXPECT_GT(gbkLines, 0u);
  EXPECT_GT(rawLines, 0u);

  const TRun undo = Cli({"undo", bat});
  EXPECT_EQ(undo.Status, 0) << undo.Output;
  EXPECT_EQ(Snapshot(music.Path()), before) << undo.Output;
}

TEST(UndoCommand, RefusesAMissingFileAndBadUsage) {
  TTempDir dir;
  EXPECT_EQ(Cli({"undo", dir / "none.bat"}).Status, 2);
  EXPECT_EQ(Cli({"undo"}).Status, 2);
  EXPECT_EQ(Cli({"undo", "-x", dir / "none.bat"}).Status, 2);
}

}  // namespace
}  // namespace tunaro::test
