// Rename runs over a folder of tool-made MP3, Ogg Vorbis and WMA files through tunaro-cli,
// and the fields that tunaro-cli tags prints for them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

const std::string kFiles = TUNARO_TEST_DATA "/mp3-ogg-wma/";

// Runs tunaro-cli; the exit status and what it printed on stdout.
std::pair<int, std::string> RunCli(const std::vector<std::string>& args) {
  const TCommandResult r = RunCommand(TUNARO_CLI, args);
  return {r.Status, r.Out};
}

class RenameMp3OggWmaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"v23-only.mp3", "v23-and-v1.mp3", "v24-only.mp3", "latin.ogg",
                             "chinese.ogg", "latin.wma", "chinese.wma"})
      std::filesystem::copy_file(kFiles + name, Dir / name);
    Dir.Write("untagged.mp3", std::string(2048, '\xFF'));
  }
  TTempDir Dir;
};

TEST_F(RenameMp3OggWmaTest, RenamesEachTypeFromItsReader) {
  // MP3: the ID3v2 tag (2.3 or 2.4) when there is no ID3v1 tag; an ID3v1 tag wins over
  // legacy ID3v2 texts that differ; a file without a tag fails and keeps its name.
  EXPECT_EQ(RunCli({"rename", "-t", "mp3", "-p", "%1 - %2 [%6]", Dir.Path()}).first, 1);
  // Ogg Vorbis: comments stay UTF-8.
  EXPECT_EQ(RunCli({"rename", "-t", "ogg", "-p", "%6 %1 - %2 (%3, %4)", Dir.Path()}).first, 0);
  // WMA: author, title, copyright, description, rating.
  EXPECT_EQ(RunCli({"rename", "-t", "wma", "-p", "%1 - %2 {%3} {%4} {%5}", Dir.Path()}).first, 0);
  const std::vector<std::string> expected = {
      "05 Some Artist - Some Title (Some Album, 2002).ogg",
      "05 歌手 - 中文标题 (专辑, ).ogg",
      "Artist 24 - Title 24 [03].mp3",
      "Some Artist - Some Title [05].mp3",
      "Some Author - Some Title {(C) 2002 Someone} {} {Good}.wma",
      "V1 Artist - V1 Title [09].mp3",
      "untagged.mp3",
      "歌手 - 中文标题 {} {} {}.wma",
  };
  EXPECT_EQ(Dir.List(), expected);
}

TEST_F(RenameMp3OggWmaTest, TagsPrintsTheFieldsOfEachReader) {
  const auto [status, out] =
      RunCli({"tags", Dir / "v23-only.mp3", Dir / "chinese.ogg", Dir / "latin.wma"});
  EXPECT_EQ(status, 0);
  for (const char* part :
       {R"("TID3v2":{"Load":true,"Found":true,"MajorVersion":3,"TagSize":896,"Title":"Some Title",)"
        R"("Artist":"Some Artist","Album":"Some Album","Track":5,"Year":"2002","Genre":"",)"
        R"("Comment":"Nice","Encodings":{"Title":0,)",
        // The six values the rename takes, decoded.
        R"("values":["Some Artist","Some Title","Some Album","2002","Nice","05"]})",
        R"("values":["歌手","中文标题","专辑","","","05"]})",
        R"("TOggVorbis":{"Load":true,"Found":true,"FileSize":2515,"ChannelMode":1,)"
        R"("SampleRate":8000,)",
        R"("SampleCount":8000,"Title":"中文标题","Artist":"歌手","Album":"专辑","Track":5,)",
        R"("TWindowsMedia":{"Load":true,"Found":true,"Title":"Some Title",)"
        R"("Author":"Some Author","Copyright":"(C) 2002 Someone","Description":"",)"
        R"("Rating":"Good"})"})
    EXPECT_NE(out.find(part), std::string::npos) << part << "\nin:\n" << out;
}

}  // namespace
}  // namespace tunaro::test
