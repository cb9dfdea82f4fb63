// tunaro-cli rename under the automatic code page over album folders whose legacy tags hold
// the bytes of old Windows code pages (tests/data/make-codepages.sh): each folder is judged as
// EXPECTED.tsv says, each file gets its name or is declined, and none gets garbage.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

const std::string kFolders = TUNARO_TEST_DATA "/codepages/";

struct TExpected {
  std::string File, Name, Reading;
};

TEST(CodePageFolders, EachFolderIsReadAsItsCodePageAndNoFileGetsGarbage) {
  std::map<std::string, std::vector<TExpected>> folders;
  std::ifstream in(kFolders + "EXPECTED.tsv");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 4u) << line;
    folders[cells[0]].push_back({cells[1], cells[2], cells[3]});
  }
  ASSERT_GE(folders.size(), 10u);
  TTempDir dir;
  for (const auto& [name, files] : folders) {
    SCOPED_TRACE(name);
    const std::string folder = dir / name;
    std::filesystem::copy(kFolders + name, folder);
    const TCommandResult r = RunCommand(TUNARO_CLI, {"rename", "-p", "%1 - %2", folder});
    EXPECT_NE(r.Out.find(files[0].Reading + "：" + folder + "/\n"), std::string::npos) << r.Out;
    for (const TExpected& f : files) {
      const bool declined = f.Name == "(declined)";
      EXPECT_EQ(Exists(folder + "/" + f.File), declined) << f.File << "\n" << r.Out;
      if (!declined) {
        EXPECT_TRUE(Exists(folder + "/" + f.Name)) << f.Name << "\n" << r.Out;
      }
    }
    EXPECT_EQ(dir.List(name).size(), files.size()) << r.Out;
  }
}

}  // namespace
}  // namespace tunaro::test
