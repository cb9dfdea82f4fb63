#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/file_types.h"
#include "platform/ascii.h"
#include "support/temp_dir.h"

namespace tunaro::engine {
namespace {

// The rows of a tab-separated data file, comments and blank lines left out.
std::vector<std::vector<std::string>> ReadTable(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::vector<std::string>> rows;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
    rows.push_back(cells);
  }
  return rows;
}

// What a file that lists the types must hold, made from the type table.
std::string Expected(const std::string& form) {
  std::string upper, mimes, mediatypes;
  std::set<std::string> seen;
  for (const TFileType& type : kFileTypes) {
    for (const std::string_view extension : RowExtensions(type))
      upper += (upper.empty() ? "" : ", ") + platform::AsciiUpper(extension.substr(1));
    std::istringstream list(type.MimeTypes);
    for (std::string mime; std::getline(list, mime, ';');) {
      if (!seen.insert(mime).second) continue;
      mimes += mime + ";";
      mediatypes += "    <mediatype>" + mime + "</mediatype>\n";
    }
  }
  if (form == "names") return "\"" + FileTypeNames() + "\"";
  if (form == "manpage") return FileTypeNames().substr(0, FileTypeNames().size() - 4) + ".";
  if (form == "upper") return upper + ".";
  if (form == "desktop") return "MimeType=" + mimes + "\n";
  if (form == "metainfo")
    return "  <provides>\n    <binary>tunaro</binary>\n    <binary>tunaro-cli</binary>\n" +
           mediatypes + "  </provides>";
  return "(unknown form " + form + ")";
}

TEST(TypeLists, EveryFileThatListsTheTypesFollowsTheTable) {
  for (const auto& row : ReadTable(TUNARO_TEST_DATA "/type-lists.tsv")) {
    ASSERT_EQ(row.size(), 2u);
    const std::string text = test::ReadFile(TUNARO_TEST_DATA "/../../" + row[0]);
    const std::string want = Expected(row[1]);
    // Prose may wrap the list after any comma.
    std::string flat = text;
    if (row[1] == "upper")
      for (char& c : flat) c = c == '\n' ? ' ' : c;
    EXPECT_NE(flat.find(want), std::string::npos) << row[0] << " lacks:\n" << want;
  }
}

TEST(TypeLists, ATypeListsItsExtensionsInAnyLetterCase) {
  for (const auto& row : ReadTable(TUNARO_TEST_DATA "/type-rows.tsv")) {
    ASSERT_EQ(row.size(), 3u);
    const int type = FileTypeRowByName(row[0]);
    ASSERT_GE(type, 0) << row[0];
    EXPECT_EQ(TypeListsName(kFileTypes[static_cast<size_t>(type)], row[1]), row[2] == "1")
        << row[0] << " " << row[1];
  }
}

}  // namespace
}  // namespace tunaro::engine
