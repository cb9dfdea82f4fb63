// The read-ahead of a rename run: while the run handles entry i, worker threads bring into
// the page cache what the readers of the next checked entries will read. Only reads move
// ahead; every decision stays with the run, in list order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "engine/file_list.h"
#include "engine/file_types.h"
#include "platform/read_ahead.h"

namespace tunaro::engine {

// The regions of a file that the reader of `kind` reads; 0 for no reader.
uint8_t ReadAheadRegions(TReaderKind kind);

class TReadAhead {
 public:
  // At most `window` entries ahead of the run; `threads` 0 makes a read-ahead that does
  // nothing.
  TReadAhead(const TFileList& list, unsigned threads, size_t window);

  // Called by the run before it reads entry `index`: forgets what lies behind and queues the
  // checked entries up to the window's end. Stops for good once the list has been replaced.
  void Advance(size_t index);
  void Stop();

 private:
  const TFileList& List_;
  const uint64_t Generation_;
  const size_t Window_;
  std::optional<platform::TReadAheadPool> Pool_;
  size_t Next_ = 0;  // the first entry not yet looked at
  std::vector<platform::TReadAheadFile> Batch_;
  uint64_t ColdSeen_ = 0;
  bool Sampling_ = false;
};

}  // namespace tunaro::engine
