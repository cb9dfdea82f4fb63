// Replays an undo batch file without a command shell: every `ren "new path" "old name"` line
// renames the file back within its folder, never replacing a file, and an `attrib +r` line
// after it makes the file read-only again.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tunaro::engine {

// One `ren` line, its texts decoded to the file system's bytes.
struct TUndoStep {
  size_t LineNumber = 0;  // counted from 1
  std::string NewPath;    // the file as the run left it
  std::string OldPath;    // the folder of NewPath followed by the old name
  bool ReadOnly = false;  // an `attrib +r "old path"` line follows: the file was read-only
};

// Why a line is no step.
enum class TLineFault : uint8_t {
  NotACommand,   // neither blank, nor `rem`, nor `ren`, nor an `attrib +r` after its step
  RelativePath,  // a `ren` line whose path is not absolute
  LeavesFolder,  // a `ren` line whose old name holds a path: it would move the file elsewhere
  NotAFile,      // a `ren` line whose present path names a folder, a FIFO or a device
};

struct TUndoBatchContent {
  std::vector<TUndoStep> Steps;           // in the order of the file
  std::vector<size_t> BadLines;           // neither blank, nor `rem`, nor a usable `ren` line
  std::vector<TLineFault> BadLineFaults;  // why, for each of BadLines
  bool Closed = false;                    // the closing `rem` line was seen: the run ended normally
};

// Whether the bytes begin as every undo file a run writes: with the `rem` line of its date and
// time. Anything else (another file chosen by mistake, an empty one) is no undo list.
bool HasUndoBatchHeader(std::string_view head);

// Told how far a long reading or replay has come; false stops it where it is.
using TUndoProgress = std::function<bool(size_t done, size_t total)>;

// Reads the batch file's bytes (CR LF or LF line ends). A `ren` line is GBK, or, where GBK
// could not hold it exactly, the file system's bytes as they stand. Which of the two (and,
// where the quoting is ambiguous because a name holds `" "`, which split) is settled by the
// file system: the reading whose new path exists wins (the rules at ParseRen). Every path
// the writer puts in is absolute: a line with a relative one is bad, as it would act on
// whatever folder the replay runs in.
// A line whose present path names something that is not a regular file is no step either: an
// undo file only ever renames files.
TUndoBatchContent ParseUndoBatch(std::string_view bytes, const TUndoProgress& progress = {});

struct TUndoOutcome {
  const TUndoStep& Step;
  int Errno;     // 0 for a rename done (or, in a dry run, one that would be done) or skipped
  bool Skipped;  // nothing to do: no file at the new path, one at the old path
};

// Renames every step back, last line first: the run's renames undone in the reverse order,
// so that a name one file gave up and another file took is free again when its owner
// returns. A dry run changes nothing and answers as the renames would, earlier steps
// included. Calls `done` for every step; returns the number of failed steps.
//
// A step whose file is under its old name already is skipped, not failed: its new path names
// no file while its old path does (the run writes each line before its rename, so a run
// killed in between leaves such a line), or, in a chain (k000 -> z, k001 -> k000, ...)
// replayed again, the new path holds the file an earlier line's step has back. So is a
// rename the run was killed in: the empty placeholder of its claim at the new path (on the
// last line of a run that did not end), or a second hard link of the file there, which goes.
// A file a crash left on its way to another spelling of its own name (CaseRenameTemporary)
// comes back from there. With none of these the file is gone, and that step fails (ENOENT).
// A step in a folder this process may not write fails before anything is tried (the errno of
// platform::FolderWritable), and so does one whose present path has become a folder or a
// device since the reading (EISDIR). A step done or skipped makes its file read-only again
// where its line says so.
size_t ReplayUndoBatch(const TUndoBatchContent& batch, bool dryRun,
                       const std::function<void(const TUndoOutcome&)>& done,
                       const TUndoProgress& progress = {});

}  // namespace tunaro::engine
