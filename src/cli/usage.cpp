#include <cstdio>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "engine/file_types.h"

namespace tunaro::cli {

namespace {

struct TCommandUsage {
  const char* Command;
  const char* Text;
};

constexpr TCommandUsage kUsages[] = {
    {"rename",
     "  tunaro-cli rename [-t TYPE] [-p TEMPLATE] [-c CODEPAGE] [-r] [--log] [--undo]\n"
     "                    [--log-dir DIR] [--read-ahead N] [-n] FOLDER\n"
     "      Renames every file of TYPE in FOLDER from its tag data.\n"
     "      TYPE: %TYPES% (mp3 by default)\n"
     "      TEMPLATE: default \"%1 - %2\"; %1..%6 stand for the tag fields\n"
     "      -r: subfolders too (links to folders are not followed); --log, --undo: write\n"
     "      the run log and the undo batch file into the desktop folder (or DIR);\n"
     "      -n: show what would be renamed, change nothing.\n"
     "      --read-ahead N: threads that read the next files' tags ahead of the run\n"
     "      (16 by default, fewer while the files are in the cache; 0: none).\n"
     "      CODEPAGE: how tags without a stated encoding are read (ID3v1, ID3v2 Latin-1\n"
     "      frames, APEv1, RealMedia, TwinVQ, WAV INFO): auto (default: each folder's\n"
     "      texts judged together; where that tells nothing, UTF-8 where the bytes\n"
     "      clearly are, else GBK), gbk, big5, sjis, cp949, cp1251, cp1252, cp1250, utf8.\n"},
    {"tags",
     "  tunaro-cli tags [-c CODEPAGE] FILE...\n"
     "      Prints what each reader finds in the files, one JSON object per line, and the\n"
     "      six values %1..%6 the rename would use; says on stderr why a FILE that cannot\n"
     "      be read is left out.\n"},
    {"export",
     "  tunaro-cli export -f html|m3u|pls [-t TYPE] [-r] FOLDER OUTPUT\n"
     "      Writes every file of TYPE (mp3 by default) in FOLDER, with -r its subfolders\n"
     "      too, as an HTML page or an M3U or PLS playlist in GBK to OUTPUT, under the\n"
     "      name given; an OUTPUT that exists is replaced once the new list is whole.\n"},
    {"undo",
     "  tunaro-cli undo [-n] FILE.bat\n"
     "      Renames the files of an undo batch file back; -n shows what it would do.\n"},
};

const char* const kExitStatus =
    "Exit status: 0 success, 1 some file failed, 2 usage error, no file found, or an I/O\n"
    "error of an output file (log, undo file, exported list).\n";

}  // namespace

std::string Usage(std::string_view command) {
  std::string text = "Usage:\n";
  for (const TCommandUsage& usage : kUsages)
    if (command.empty() || command == usage.Command) text += usage.Text;
  text += kExitStatus;
  const std::string key = "%TYPES%";
  if (const size_t at = text.find(key); at != std::string::npos)
    text.replace(at, key.size(), engine::FileTypeNames());
  return text;
}

int PrintHelp(std::string_view command) {
  std::fputs(Usage(command).c_str(), stdout);
  return kExitOk;
}

}  // namespace tunaro::cli
