// Replays an undo batch file without a command shell: every `ren "new path" "old name"` line
// renames the file back within its folder, never replacing a file.
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
};

struct TUndoBatchContent {
  std::vector<TUndoStep> Steps;  // in the order of the file
  std::vector<size_t> BadLines;  // neither blank, nor `rem`, nor a usable `ren` line
  bool Closed = false;           // the closing `rem` line was seen: the run ended normally
};

// Reads the batch file's bytes (CR LF or LF line ends). A `ren` line is GBK, or, where GBK
// could not hold it exactly, the file system's bytes as they stand. Which of the two (and,
// where the quoting is ambiguous because a name holds `" "`, which split) is settled by the
// file system: the reading whose new path exists wins (the rules at ParseRen).
TUndoBatchContent ParseUndoBatch(std::string_view bytes);

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
// A step whose new path names no file while its old path does is skipped, not failed: the
// run writes each line before its rename, so a run killed in between leaves such a line, and
// a file already back under its old name needs nothing either. With neither path there the
// file is gone, and that step fails (ENOENT).
size_t ReplayUndoBatch(const TUndoBatchContent& batch, bool dryRun,
                       const std::function<void(const TUndoOutcome&)>& done);

}  // namespace tunaro::engine
