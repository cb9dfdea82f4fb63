#include <cstdio>

#include "cli/commands.h"

namespace tunaro::cli {

// Comes with its own work.
int CmdExport(int, char**) {
  std::fprintf(stderr, "tunaro-cli export: not available yet\n");
  return kExitUsage;
}

}  // namespace tunaro::cli
