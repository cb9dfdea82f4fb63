// Rename runs over folders of VQF, APE, MPP, MPC, RA, RM and RAM files through tunaro-cli, and
// the fields that tunaro-cli tags prints for them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

const std::string kData = std::string(TUNARO_TEST_DATA) + "/vqf-ape-mpc-rm/";

struct TRun {
  int Status = -1;
  std::string Output;  // stdout and stderr
};

TRun Cli(const std::vector<std::string>& args) {
  const TCommandResult r = RunCommand(TUNARO_CLI, args);
  return {r.Status, r.Out + r.Err};
}

std::string BE16(uint16_t v) {
  return {static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string BE32(uint32_t v) {
  return BE16(static_cast<uint16_t>(v >> 16)) + BE16(v & 0xFFFF);
}

std::string VqfChunk(std::string_view id, std::string_view data) {
  return std::string(id) + BE32(static_cast<uint32_t>(data.size())) + std::string(data);
}

std::string Vqf(std::string_view magic, std::string_view title, std::string_view author) {
  return std::string(magic) + BE32(24) + VqfChunk("COMM", BE32(1) + BE32(80) + BE32(44) + BE32(0)) +
         VqfChunk("NAME", title) + VqfChunk("AUTH", author) + VqfChunk("DATA", "") +
         std::string(64, 'v');
}

// .RMF, then a content chunk, then a chunk for the content read to run into.
std::string Rm(std::string_view title, std::string_view author) {
  const std::string cont = BE16(0) + BE16(static_cast<uint16_t>(title.size())) +
                           std::string(title) + BE16(static_cast<uint16_t>(author.size())) +
                           std::string(author) + BE16(0) + BE16(0);
  return ".RMF" + BE32(18) + std::string(10, '\0') + "CONT" +
         BE32(static_cast<uint32_t>(8 + cont.size())) + cont + "DATA" + BE32(24) +
         std::string(16, '\0');
}

std::string Ape(uint16_t channels) {
  const std::string le = {'\x4C', '\x0F', '\xD0', '\x07', '\0', '\0', static_cast<char>(channels),
                          '\0',   '\x44', '\xAC', '\0',   '\0'};  // version .. sample rate
  return "MAC " + le + std::string(24, '\0') + std::string(64, 'a') +
         ID3v1Block("Built", "Byte", "", "", "", 4);
}

struct TFile {
  std::string Name;
  std::string Bytes;
  std::string From = "";  // when set: a copy of this generated file in tests/data
};

struct TRenameCase {
  const char* Type;
  const char* Template;
  std::vector<TFile> Files;
  std::vector<std::string> After;  // sorted; a name of Files here was not renamed
};

void PrintTo(const TRenameCase& c, std::ostream* os) {
  *os << c.Type;
}

class RenameByTypeTest : public ::testing::TestWithParam<TRenameCase> {};

TEST_P(RenameByTypeTest, RenamesRecognisedFilesAndKeepsTheOthers) {
  const auto& c = GetParam();
  if (!std::filesystem::exists(TUNARO_CLI)) GTEST_SKIP() << "no " << TUNARO_CLI;
  TTempDir dir;
  for (const auto& f : c.Files)
    dir.Write(f.Name, f.From.empty() ? f.Bytes : ReadFile(kData + f.From));
  size_t failed = 0;
  for (const auto& f : c.Files) failed += std::count(c.After.begin(), c.After.end(), f.Name);
  const TRun run = Cli({"rename", "-t", c.Type, "-p", c.Template, dir.Path()});
  EXPECT_EQ(run.Status, failed > 0 ? 1 : 0) << run.Output;
  const std::string counts = "成功换名：" + std::to_string(c.Files.size() - failed) +
                             " 个\n换名失败：" + std::to_string(failed) + " 个";
  EXPECT_NE(run.Output.find(counts), std::string::npos) << run.Output;
  EXPECT_EQ(dir.List(), c.After);
}

INSTANTIATE_TEST_SUITE_P(
    Types, RenameByTypeTest,
    ::testing::Values(
        TRenameCase{"vqf",
                    "%1 - %2",
                    {{"a.vqf", Vqf("TWIN97012000", "Song", "Singer")},
                     {"b.vqf", Vqf("twin97012000", "Lost", "Nobody")}},
                    {"Singer - Song.vqf", "b.vqf"}},
        TRenameCase{
            "ape",
            "%1 - %2 [%3 %4 %6]",
            {{"a.ape", "", "mac-390-id3v1.ape"}, {"b.ape", Ape(2)}, {"c.ape", Ape(0)}},
            {"Byte - Built [  04].ape", "Monkey - Old Header [Samples 2003 12].ape", "c.ape"}},
        TRenameCase{"mpp",
                    "%2 (%1)",
                    {{"x.mpp", "", "sv7-click-id3v1.mpc"}},
                    {"Click (Mutagen Suite).mpp"}},
        TRenameCase{
            "mpc",
            "%6 %2",
            {{"sv7.mpc", "", "sv7-click-id3v1.mpc"}, {"sv8.mpc", "", "mpcenc-sv8-id3v1.mpc"}},
            {"03 SV8 Song.mpc", "07 Click.mpc"}},  // SV8 is recognised now
        TRenameCase{"ra",
                    "%1 - %2",
                    {{"a.ra", "", "ffmpeg-title-author.rm"},
                     {"b.ra", ".ra\xFD" + BE16(4) + std::string(100, 'r')}},
                    {"The Walkers - Night Train.ra", "b.ra"}},
        TRenameCase{"rm",
                    "%1 - %2",
                    {{"a.rm", "", "ffmpeg-title-author.rm"}, {"b.rm", Rm("Why?", "A/B")}},
                    {"A B - Why .rm", "The Walkers - Night Train.rm"}},
        TRenameCase{
            "ram",
            "%1 - %2",
            {{"a.ram", "rtsp://media.example.com/a.rm\n"}, {"b.ram", "", "ffmpeg-title-author.rm"}},
            {"The Walkers - Night Train.ram", "a.ram"}}),
    [](const auto& test) { return std::string(test.param.Type); });

TEST(TagsCommand, PrintsEachReadersFields) {
  if (!std::filesystem::exists(TUNARO_CLI)) GTEST_SKIP() << "no " << TUNARO_CLI;
  TTempDir dir;
  const std::string vqf = dir.Write("a.vqf", Vqf("TWIN97012000", "Song", "Singer"));
  const TRun run = Cli({"tags", vqf, kData + "mac-390-id3v1.ape", kData + "sv7-click-id3v1.mpc",
                        kData + "ffmpeg-title-author.rm"});
  ASSERT_EQ(run.Status, 0) << run.Output;
  for (const char* part :
       {R"("TTwinVQ":{"Load":true,"Found":true,"ChannelMode":2,"BitRate":80,)",
        R"("SampleRate":44100,)", R"("Title":"Song","Comment":"","Author":"Singer",)",
        R"("TMonkey":{"Load":true,"Found":true,)", R"("Channels":2,"SampleRate":44100,)",
        R"("ID3v1":{"Load":true,"Found":true,"VersionCode":2,"Title":"Old Header",)",
        R"("TMPEGplus":{"Load":true,"Found":true,"ChannelMode":2,)",
        R"("StreamVersion":7,"ProfileCode":3,)", R"("Title":"Click","Artist":"Mutagen Suite",)",
        R"("TRealMedia":{"Load":true,"Found":true,"Title":"Night Train","Artist":"The Walkers"})"})
    EXPECT_NE(run.Output.find(part), std::string::npos) << part << "\n" << run.Output;
}

}  // namespace
}  // namespace tunaro::test
