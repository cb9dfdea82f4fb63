// tunaro-cli: the rename engine from the command line, for scripts, benchmarks and servers.
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "engine/file_types.h"

namespace {

const char* const kUsage =
    "Usage:\n"
    "  tunaro-cli rename [-t TYPE] [-p TEMPLATE] [-c CODEPAGE] [-r] [--log] [--undo]\n"
    "                    [--log-dir DIR] [--read-ahead N] [-n] FOLDER\n"
    "      Renames every file of TYPE in FOLDER from its tag data.\n"
    "      TYPE: %TYPES% (mp3 by default)\n"
    "      TEMPLATE: default \"%1 - %2\"; %1..%6 stand for the tag fields\n"
    "      -r: subfolders too; --log, --undo: write the run log and the undo batch file into\n"
    "      the desktop folder (or DIR); -n: show what would be renamed, change nothing.\n"
    "      --read-ahead N: threads that read the next files' tags ahead of the run\n"
    "      (16 by default; 0: none).\n"
    "      CODEPAGE: how tags without a stated encoding are read (ID3v1, ID3v2 Latin-1\n"
    "      frames, RealMedia, TwinVQ): auto (default: UTF-8 where the bytes clearly are,\n"
    "      else GBK), gbk, big5, sjis, cp1252.\n"
    "  tunaro-cli tags [-c CODEPAGE] FILE...\n"
    "      Prints what each reader finds in the files, one JSON object per line, and the\n"
    "      six values %1..%6 the rename would use.\n"
    "  tunaro-cli export -f html|m3u|pls [-t TYPE] [-r] FOLDER OUTPUT\n"
    "      Writes the folder's file list as an HTML page or a playlist (GBK) to OUTPUT,\n"
    "      under the name given.\n"
    "  tunaro-cli undo [-n] FILE.bat\n"
    "      Renames the files of an undo batch file back; -n shows what it would do.\n"
    "Exit status: 0 success, 1 some file failed, 2 usage error, no file found, or an I/O\n"
    "error of an output file (log, undo file, exported list).\n";

// The usage text with the type names of the file type table.
std::string Usage() {
  std::string text = kUsage;
  const std::string key = "%TYPES%";
  text.replace(text.find(key), key.size(), tunaro::engine::FileTypeNames());
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "rename") return tunaro::cli::CmdRename(argc, argv);
  if (command == "tags") return tunaro::cli::CmdTags(argc, argv);
  if (command == "export") return tunaro::cli::CmdExport(argc, argv);
  if (command == "undo") return tunaro::cli::CmdUndo(argc, argv);
  if (command == "help" || command == "--help" || command == "-h") {
    std::fputs(Usage().c_str(), stdout);
    return tunaro::cli::kExitOk;
  }
  std::fputs(Usage().c_str(), stderr);
  return tunaro::cli::kExitUsage;
}
