// The priority of helper threads against the thread they help.
#pragma once

namespace tunaro::platform {

// Lowers the calling thread's CPU priority by `steps` (nice levels, up to the lowest), and
// only that thread's: threads it starts later inherit it, the rest of the process does not.
// Best effort: where the system refuses, the thread runs on as it was.
void LowerThreadPriority(int steps);

}  // namespace tunaro::platform
