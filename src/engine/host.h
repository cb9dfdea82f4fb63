// What the engine needs of its front end (the window, the command line, a test): the list,
// the run settings and counters, the counter display refresh and the desktop folder.
#pragma once

#include <cstdint>
#include <string>

#include "engine/file_list.h"
#include "engine/file_types.h"
#include "platform/codec.h"
#include "platform/codepage_detect.h"

namespace tunaro::engine {

struct TCounters {
  int32_t Total = 0;
  int32_t Success = 0;
  int32_t Failure = 0;
  int32_t Progress = 0;  // percent, 0..100
};

// The run settings and counters that live as long as the front end.
struct TRunState {
  std::string CurrentExtension{kDefaultExtension};
  // The row of kFileTypes a folder refresh lists; -1 lists the files whose names end in the
  // current extension instead. A run leaves it alone while it sets the current extension
  // to each file's own.
  int FileType = -1;
  std::string CurrentFolder;  // ends with "/"
  TCounters Counters;
  bool ProcessSubDirectory = false;
  bool CreateUndoBatch = false;
  bool KeepLog = false;
  bool ExportSelectedOnly = false;
  // How tag texts without a stated encoding are decoded.
  platform::TCodePage CodePage = platform::TCodePage::Auto;
};

// Why a checked file keeps its name. A dry run gives the same answer the run would.
enum class TFailReason : uint8_t {
  None,            // renamed (or, in a dry run, would be)
  NoReader,        // no reader for the file's extension
  NoTagData,       // the reader found no tag
  EmptyFields,     // every placeholder of the template is empty for this file
  Undecodable,     // a placeholder's text is not in the chosen tag code page
  ReadOnly,        // a read-only flag that cannot be cleared
  NameTooLong,     // the new name is longer than kMaxNameBytes
  EmptyName,       // the new name is empty (or blanks) before its extension
  NameTaken,       // a file that was there before the run has the new name
  NameTakenInRun,  // an earlier file of the same run took the new name
  Refused,         // the file system refused the rename for another reason (Errno)
  LineBreak,       // a path holds CR or LF, which the log or undo file kept cannot hold
  FolderReadOnly,  // this process may not add or remove names in the file's folder
  Gone,            // no file has the path (deleted since it was listed, or never there)
};

// The longest file name (one path component) the file systems take, in bytes.
inline constexpr size_t kMaxNameBytes = 255;

// The outcome of one checked file, for front ends that show each one.
struct TFileOutcome {
  const std::string& OldPath;
  const std::string& NewPath;  // empty when no new name was built
  bool Success;
  TFailReason Reason = TFailReason::None;
  int Errno = 0;  // the rename's errno for Refused
};

class TEngineHost {
 public:
  virtual ~TEngineHost() = default;

  virtual TFileList& Entries() = 0;
  virtual TRunState& State() = 0;
  // Shows the four counters and lets pending events run. Called after every entry.
  virtual void CounterDisplayRefresh() = 0;
  // Where the run log and undo files go; may be empty.
  virtual std::string DesktopDir() const = 0;

  // Long work begins and ends (the window shows the hourglass).
  virtual void BeginBusy() {}
  virtual void EndBusy() {}
  virtual void FileDone(const TFileOutcome&) {}
  // Asked before each checked file: true stops the run there, as cleanly as at its end (the
  // closing lines of the log and the undo file written).
  virtual bool Stopping() { return false; }
  // How a folder's legacy tag texts are read under the automatic code page, once per folder,
  // before its first file: `text` says it ("按 Big5 读取"), empty where there was nothing to
  // decide (no text beyond ASCII).
  virtual void FolderCodePage(const std::string& /*folder*/,
                              const platform::TFolderReading& /*reading*/,
                              const std::string& /*text*/) {}
};

}  // namespace tunaro::engine
