// The system calls behind RenameNoReplace, in a table that tests may swap entries of, to make
// a call fail as a given file system would (renameat2 without flags, no hard links, ...).
// Each entry returns 0, or -1 with errno set, as the call it stands for.
#pragma once

namespace tunaro::platform {

struct TFsCalls {
  int (*RenameNoReplace)(const char* from, const char* to);  // renameat2(RENAME_NOREPLACE)
  int (*Rename)(const char* from, const char* to);
  int (*Link)(const char* from, const char* to);
  int (*Unlink)(const char* path);
};

// The table in use; the system's own calls unless a test put others in.
TFsCalls& FsCalls();
// The system's own calls.
TFsCalls SystemFsCalls();

// What RenameNoReplace has learned of each file system is kept for a run, so that a flag or
// hard links the file system refuses cost one failing call, not one per file. A run starts
// by forgetting it: a device number may name another file system by then.
void ForgetFileSystemAbilities();

}  // namespace tunaro::platform
