// tunaro-cli rename over a small library tagged by other authors' taggers and encoders
// (tests/data/make-library*.sh), one file type at a time, against the names in EXPECTED.tsv.
// Each type prints one line per tagger, "library: TYPE TAGGER right R wrong W declined D",
// which tests/data/library/score.sh adds up.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

const std::string kLibrary = TUNARO_TEST_DATA "/library/";
// The expected name of a file whose tag holds nothing for the template: the run must decline
// it, and it keeps its name.
const std::string kDeclined = "(declined)";

struct TLibraryFile {
  std::string Tagger, Text, Name, Expected;
  std::string CodePage = "auto";  // the -c a user of such tags chooses
};

std::string Extension(const std::string& name) {
  return name.substr(name.rfind('.') + 1);
}

// The rows of EXPECTED.tsv: tagger, kind of text, file name, expected new name, and for
// legacy tags in another code page than auto reads (Latin-1 ID3 texts) the code page.
std::vector<TLibraryFile> ReadExpected() {
  std::ifstream in(kLibrary + "EXPECTED.tsv");
  std::vector<TLibraryFile> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
    if (cells.size() != 4 && cells.size() != 5) {
      ADD_FAILURE() << "EXPECTED.tsv: not 4 or 5 columns: " << line;
      continue;
    }
    rows.push_back({cells[0], cells[1], cells[2], cells[3]});
    if (cells.size() == 5) rows.back().CodePage = cells[4];
  }
  return rows;
}

// What the run did to one file, from its log line "成功：OLD -> NEW" or "失败：OLD -> NEW".
struct TOutcome {
  bool Logged = false, Renamed = false;
  std::string NewName;  // file name only; empty when the program made no name
};

std::map<std::string, TOutcome> ParseLog(const std::string& out, const std::string& folder) {
  std::map<std::string, TOutcome> outcomes;
  const std::string prefix = folder + "/";
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    bool renamed;
    std::string rest;
    if (line.rfind("成功：", 0) == 0) {
      renamed = true;
      rest = line.substr(std::string("成功：").size());
    } else if (line.rfind("失败：", 0) == 0) {
      renamed = false;
      rest = line.substr(std::string("失败：").size());
    } else {
      continue;
    }
    if (rest.rfind(prefix, 0) != 0) continue;
    // Old names are plain ASCII without " -> ", so the first arrow ends the old path.
    const size_t arrow = rest.find(" -> ");
    if (arrow == std::string::npos) continue;
    TOutcome& o = outcomes[rest.substr(prefix.size(), arrow - prefix.size())];
    o.Logged = true;
    o.Renamed = renamed;
    std::string target = rest.substr(arrow + 4);
    // A failure ends in its reason: "(reason)" alone when no name was made.
    if (!renamed) target = target.front() == '(' ? "" : target.substr(0, target.rfind(" ("));
    o.NewName = target.rfind(prefix, 0) == 0 ? target.substr(prefix.size()) : target;
  }
  return outcomes;
}

struct TScore {
  int Right = 0, Wrong = 0, Declined = 0;
};

class LibraryTest : public ::testing::TestWithParam<std::string> {};

TEST_P(LibraryTest, RenamesEachFileToItsExpectedName) {
  const std::string type = GetParam();
  std::vector<TLibraryFile> files;
  for (TLibraryFile& f : ReadExpected())
    if (Extension(f.Name) == type) files.push_back(std::move(f));
  ASSERT_FALSE(files.empty()) << "no ." << type << " file in " << kLibrary << "EXPECTED.tsv";

  std::map<std::string, TScore> scores;  // by tagger
  std::ostringstream wrong, said;
  std::set<std::string> codePages;
  for (const TLibraryFile& f : files) codePages.insert(f.CodePage);
  TTempDir dir;
  for (const std::string& codePage : codePages) {
    const std::string sub = type + "-" + codePage;
    const std::string folder = dir.MakeDir(sub);
    std::set<std::string> expectedNames;
    for (const TLibraryFile& f : files) {
      if (f.CodePage != codePage) continue;
      std::filesystem::copy_file(kLibrary + f.Name, folder + "/" + f.Name);
      EXPECT_TRUE(f.Expected == kDeclined || expectedNames.insert(f.Expected).second)
          << "two files expect " << f.Expected;
    }
    const TCommandResult r =
        RunCommand(TUNARO_CLI, {"rename", "-t", type, "-c", codePage, "-p", "%1 - %2", folder});
    said << "tunaro-cli -c " << codePage << " said (status " << r.Status << "):\n" << r.Err;
    const std::map<std::string, TOutcome> outcomes = ParseLog(r.Out, folder);
    const std::vector<std::string> onDisk = dir.List(sub);
    const std::set<std::string> present(onDisk.begin(), onDisk.end());

    for (const TLibraryFile& f : files) {
      if (f.CodePage != codePage) continue;
      TScore& score = scores[f.Tagger];
      const auto it = outcomes.find(f.Name);
      const TOutcome o = it == outcomes.end() ? TOutcome{} : it->second;
      std::string got;
      if (!o.Logged || (!o.Renamed && o.NewName.empty())) {
        if (f.Expected == kDeclined && o.Logged && present.count(f.Name)) {
          ++score.Right;
          continue;
        }
        ++score.Declined;
        got = o.Logged ? "(declined: no name)" : "(not in the log)";
      } else if (!o.Renamed) {
        ++score.Wrong;
        got = "(failed: " + o.NewName + ")";
      } else if (!present.count(o.NewName)) {
        ++score.Wrong;
        got = "(logged " + o.NewName + " but not on disk)";
      } else if (o.NewName != f.Expected) {
        ++score.Wrong;
        got = o.NewName;
      } else {
        ++score.Right;
        continue;
      }
      wrong << "  " << f.Name << " [" << f.Tagger << ", " << f.Text << ", -c " << codePage << "]\n"
            << "    got:      " << got << "\n"
            << "    expected: " << f.Expected << "\n";
    }
  }

  TScore total;
  for (const auto& [tagger, s] : scores) {
    std::cout << "library: " << type << " " << tagger << " right " << s.Right << " wrong "
              << s.Wrong << " declined " << s.Declined << "\n";
    total.Right += s.Right;
    total.Wrong += s.Wrong;
    total.Declined += s.Declined;
  }
  std::cout << std::flush;
  EXPECT_EQ(total.Right, static_cast<int>(files.size()))
      << "." << type << ": " << total.Right << " right, " << total.Wrong << " wrong, "
      << total.Declined << " declined of " << files.size() << "; the others:\n"
      << wrong.str() << said.str();
}

INSTANTIATE_TEST_SUITE_P(Types, LibraryTest,
                         ::testing::Values("mp3", "ogg", "wma", "rm", "mpc", "mpp", "ape", "flac",
                                           "oga", "opus", "spx", "m4a", "m4b", "mp4", "wv", "wav",
                                           "aif", "aiff", "aifc", "dsf"),
                         [](const auto& test) { return test.param; });

}  // namespace
}  // namespace tunaro::test
