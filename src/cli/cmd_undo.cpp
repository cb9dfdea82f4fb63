#include <cstdio>

#include "cli/commands.h"

namespace tunaro::cli {

// Comes with its own work.
int CmdUndo(int, char**) {
  std::fprintf(stderr, "tunaro-cli undo: not available yet\n");
  return kExitUsage;
}

}  // namespace tunaro::cli
