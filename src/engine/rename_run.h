// The batch rename run: for every checked entry, read the tag with the reader of the file's
// own extension, fill the template, filter, rename within the folder, count, log.
#pragma once

#include <string>

#include "engine/host.h"
#include "engine/readers.h"
#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/io_error.h"

namespace tunaro::engine {

struct TRunSettings {
  std::string Template;  // UTF-8, as typed
  bool KeepLog = false;
  bool CreateUndoBatch = false;
  // Reports what would happen and changes nothing: no rename, no attribute, no log files.
  bool DryRun = false;
  // How legacy tag texts (ID3v1, ID3v2 encoding 0, RealMedia, TwinVQ) are decoded.
  platform::TCodePage CodePage = platform::TCodePage::Auto;
  platform::TClock Clock = platform::NowTexts;
  // Threads that read the next files' tags ahead of the run; 0: none. They start when a read
  // of the run's own had to wait (a cold folder, a network share): in the cache, a file costs
  // the run a few system calls, which threads would only slow down. Twice as many on a
  // network file system.
  unsigned ReadAheadThreads = 16;
  // How many entries ahead of the run they may go (and hold paths and values for).
  size_t ReadAheadWindow = 1024;
  // Starts them at the first entry, whether the reads wait or not.
  bool ReadAheadAtOnce = false;
};

// What a run's read-ahead did, for those that measure it.
struct TRunStats {
  unsigned ReadAheadThreads = 0;  // threads started
  size_t ReadAheadReads = 0;      // files they read
};

// The new full path for an entry, from the six values (UTF-8).
std::string BuildNewPath(const std::string& oldPath, const std::string& tmpl,
                         const TFieldValues& values);

// Why a file keeps its name, as the front ends show it (UTF-8): empty for None; `err` is the
// rename's errno for Refused.
std::string FailReasonText(TFailReason reason, int err);

// Runs over the host's list. Returns the I/O error of the run log or the undo file that
// stopped the run early, or no error. Files renamed before such a stop keep their new names.
platform::TIoError RenameRun(TEngineHost& host, TReaders& readers, const TRunSettings& settings,
                             TRunStats* stats = nullptr);

}  // namespace tunaro::engine
