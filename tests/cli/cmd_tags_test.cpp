// tunaro-cli tags: one valid JSON object per line, whatever the file names and the locale.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

std::string BE32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// A TwinVQ header (stereo, 96 kbit/s, 44 kHz) and data: a duration with a fraction.
std::string Vqf() {
  return "TWIN97012000" + BE32(24) + "COMM" + BE32(16) + BE32(1) + BE32(96) + BE32(44) + BE32(0) +
         "DATA" + BE32(960) + std::string(960, 'x');
}

std::vector<nlohmann::json> ParseLines(const std::string& out) {
  std::vector<nlohmann::json> lines;
  size_t at = 0;
  for (size_t end; (end = out.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(nlohmann::json::parse(out.substr(at, end - at)));  // throws when invalid
  EXPECT_EQ(at, out.size()) << "unterminated line";
  return lines;
}

class CmdTagsJsonTest : public ::testing::Test {
 protected:
  TTempDir Dir, Locales;
};

TEST_F(CmdTagsJsonTest, FileNamesThatAreNotUtf8GiveValidTextAndTheExactBytes) {
  struct TCase {
    std::string Name, Shown, Hex;
  };
  const std::vector<TCase> cases = {
      {"\xFF\xFE.vqf", "\xEF\xBF\xBD\xEF\xBF\xBD.vqf", "fffe2e767166"},
      {"\xB8\xE8.mp3", "\xEF\xBF\xBD\xEF\xBF\xBD.mp3", "b8e82e6d7033"},  // GBK, not UTF-8
      {"\xE6\xAD\x8C \"q\".mp3", "\xE6\xAD\x8C \"q\".mp3", "e6ad8c202271222e6d7033"},
  };
  for (const auto& c : cases) {
    const std::string path = Dir.Write(c.Name, Vqf());
    const auto r = RunCommand(TUNARO_CLI, {"tags", path});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const auto lines = ParseLines(r.Out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["file"], Dir.Path() + "/" + c.Shown);
    const std::string hex = lines[0]["fileHex"];
    EXPECT_EQ(hex.substr(hex.size() - c.Hex.size()), c.Hex);
  }
}

// A FILE that cannot be read is named on stderr with the reason, and the status says so;
// the readable ones still get their line.
TEST_F(CmdTagsJsonTest, FilesThatCannotBeReadGiveStatusOne) {
  ASSERT_EQ(mkfifo((Dir / "pipe.mp3").c_str(), 0644), 0);
  const auto r = RunCommand(TUNARO_CLI, {"tags", Dir / "none.mp3", Dir.Path(), Dir / "pipe.mp3",
                                         Dir.Write("a.vqf", Vqf())});
  EXPECT_EQ(r.Status, 1);
  EXPECT_EQ(ParseLines(r.Out).size(), 1u);
  for (const char* why : {"none.mp3: no such file", ": is a folder", "pipe.mp3: is not a regular"})
    EXPECT_NE(r.Err.find(why), std::string::npos) << r.Err;
}

// Under a locale with a decimal comma the numbers stay JSON numbers.
TEST_F(CmdTagsJsonTest, NumbersIgnoreTheLocale) {
  const TMadeLocale locale = MakeLocale(Locales.Path(), "de_DE", "UTF-8");
  if (locale.Name.empty())
    GTEST_SKIP() << "cannot make the de_DE.UTF-8 locale here: " << locale.Why;
  const std::string path = Dir.Write("a.vqf", Vqf());
  const auto plain = RunCommand(TUNARO_CLI, {"tags", path});
  const auto german = RunCommand(TUNARO_CLI, {"tags", path},
                                 {"", {{"LOCPATH", Locales.Path()}, {"LC_ALL", locale.Name}}});
  ASSERT_EQ(german.Status, 0) << german.Err;
  const auto lines = ParseLines(german.Out);
  ASSERT_EQ(lines.size(), 1u);
  const auto& duration = lines[0]["readers"]["TTwinVQ"]["Duration"];
  ASSERT_TRUE(duration.is_number_float()) << german.Out;
  EXPECT_DOUBLE_EQ(duration.get<double>(), static_cast<double>(Vqf().size() - 24 - 20) / 125 / 96);
  EXPECT_EQ(german.Out, plain.Out);
}

}  // namespace
}  // namespace tunaro::test
