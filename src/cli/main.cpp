// tunaro-cli: the rename engine from the command line, for scripts, benchmarks and servers.
#include <clocale>
#include <cstdio>
#include <string>

#include "cli/commands.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "rename") return tunaro::cli::CmdRename(argc, argv);
  if (command == "tags") return tunaro::cli::CmdTags(argc, argv);
  if (command == "export") return tunaro::cli::CmdExport(argc, argv);
  if (command == "undo") return tunaro::cli::CmdUndo(argc, argv);
  if (command == "help" || command == "--help" || command == "-h")
    return tunaro::cli::PrintHelp("");
  std::fputs(tunaro::cli::Usage("").c_str(), stderr);
  return tunaro::cli::kExitUsage;
}
