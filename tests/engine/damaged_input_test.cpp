// Every reader of the registry on cut and scrambled copies of a real file: each read ends,
// within its bounds, whatever the bytes say. One row per reader and file in
// tests/data/damaged-inputs.tsv.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/readers.h"
#include "support/temp_dir.h"

namespace tunaro::engine {
namespace {

struct TDamageCase {
  TReaderKind Kind = TReaderKind::None;
  std::string File;
  size_t From = 0, Span = 0;
};

std::vector<TDamageCase> ReadCases() {
  std::vector<TDamageCase> cases;
  std::ifstream in(TUNARO_TEST_DATA "/damaged-inputs.tsv");
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string reader;
    TDamageCase c;
    fields >> reader >> c.File >> c.From >> c.Span;
    for (size_t k = 0; k < static_cast<size_t>(TReaderKind::Count); ++k)
      if (reader == ReaderRow(static_cast<TReaderKind>(k)).Name)
        c.Kind = static_cast<TReaderKind>(k);
    cases.push_back(c);
  }
  return cases;
}

// No text of a damaged file is longer than what any reader keeps of a field.
void ExpectBounded(const TTagRead& read, const std::string& what) {
  for (const TTagText& text : read.Texts) EXPECT_LE(text.Bytes.size(), 1u << 20) << what;
}

TEST(DamagedInput, EveryReaderEndsQuietlyOnCutAndScrambledFiles) {
  const std::vector<TDamageCase> cases = ReadCases();
  ASSERT_FALSE(cases.empty());
  test::TTempDir dir;
  for (const TDamageCase& c : cases) {
    ASSERT_NE(c.Kind, TReaderKind::None) << c.File << ": no such reader";
    const std::string real = test::ReadFile(TUNARO_TEST_DATA "/" + c.File);
    ASSERT_GT(real.size(), c.From + c.Span) << c.File;
    const std::string name = "damaged-" + std::to_string(static_cast<int>(c.Kind));
    const std::string path = dir / name;
    // Cut anywhere in the first bytes, and near the end, where tags at the end stand.
    for (size_t n = 0; n <= std::min<size_t>(real.size(), 600); n += 7) {
      dir.Write(name, real.substr(0, n));
      ExpectBounded(ReadTag(c.Kind, path), c.File + " cut at " + std::to_string(n));
    }
    for (size_t n = real.size() - std::min<size_t>(real.size(), 300); n < real.size(); n += 11) {
      dir.Write(name, real.substr(0, n));
      ExpectBounded(ReadTag(c.Kind, path), c.File + " cut at " + std::to_string(n));
    }
    std::mt19937 random(17);
    for (int round = 0; round < 120; ++round) {
      std::string bytes = real;
      for (int k = 0; k < 6; ++k) bytes[c.From + random() % c.Span] = static_cast<char>(random());
      // Now and then a length or size field turned huge or zero.
      if (round % 3 == 0) bytes.replace(c.From + random() % c.Span, 4, "\xFF\xFF\xFF\x7F");
      if (round % 3 == 1) bytes.replace(c.From + random() % c.Span, 4, std::string(4, '\0'));
      bytes.resize(real.size());
      dir.Write(name, bytes);
      const TTagRead read = ReadTag(c.Kind, path);
      EXPECT_TRUE(read.Opened) << c.File;
      ExpectBounded(read, c.File + " round " + std::to_string(round));
    }
  }
}

}  // namespace
}  // namespace tunaro::engine
