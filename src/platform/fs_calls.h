// The system calls behind the file services, in a table that tests may swap entries of, to
// make a call fail as a given file system would (renameat2 without flags, no hard links, a
// network share that reports an error for a rename it made, ...) or to act in the middle of
// a rename. Each entry returns as the call it stands for: -1 with errno set on failure.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

namespace tunaro::platform {

struct TFsCalls {
  int (*RenameNoReplace)(const char* from, const char* to);  // renameat2(RENAME_NOREPLACE)
  int (*RenameExchange)(const char* from, const char* to);   // renameat2(RENAME_EXCHANGE)
  int (*Rename)(const char* from, const char* to);
  int (*Link)(const char* from, const char* to);
  int (*Unlink)(const char* path);
  // open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | flags, mode)
  int (*CreateExclusive)(const char* path, int flags, mode_t mode);
  int (*Lstat)(const char* path, struct stat* st);
  int (*Fstat)(int fd, struct stat* st);
  DIR* (*OpenDir)(const char* path);
  // pread; the system's tries first without waiting for the disk (RWF_NOWAIT) and sets
  // `*waited` when the data was not in the cache.
  ssize_t (*Pread)(int fd, void* buffer, size_t count, off_t offset, bool* waited);
  int (*Close)(int fd);
};

// The table in use; the system's own calls unless a test put others in.
TFsCalls& FsCalls();
// The system's own calls.
TFsCalls SystemFsCalls();

// What RenameNoReplace has learned of each file system is kept for a run, so that a flag or
// hard links the file system refuses cost one failing call, not one per file. A run starts
// by forgetting it: a device number may name another file system by then.
void ForgetFileSystemAbilities();

// While held, the calling thread keeps the folder of the files it last read or renamed open
// and names them in it; let go, the folder is closed. A run holds it from its start to its
// end, and so does each of its read-ahead threads.
void HoldFolders(bool hold);
// Holds them for a scope.
struct THeldFolders {
  THeldFolders() { HoldFolders(true); }
  ~THeldFolders() { HoldFolders(false); }
  THeldFolders(const THeldFolders&) = delete;
  THeldFolders& operator=(const THeldFolders&) = delete;
};

}  // namespace tunaro::platform
