// The read-ahead of a rename run: while the run handles entry i, worker threads read the
// tags of the next checked entries, so that a cold folder waits for many small reads at once
// instead of one after another, and the run's own thread is left with the look and the
// rename. Only the reading moves ahead: the run takes a result only when the file is still
// the one that was read, and decides everything else itself, in list order.
//
// Further ahead, other threads warm the cache: they open the files in batches and read
// both ends of a whole batch at once (platform::TCacheWarmer), so that neighbouring small
// files come from the disk in a few large requests. This also takes the first look at each
// name far from the run: a look at a name the system has not seen yet locks the folder
// while it reads the folder's and the file's records from disk, and every rename in the
// folder waits for that lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/file_list.h"
#include "engine/file_types.h"
#include "engine/readers.h"
#include "platform/cache_warmer.h"

namespace tunaro::engine {

class TReadAhead {
 public:
  // Tags are read at most `window` entries ahead of the run, the cache warmed up to
  // kLookWindows times as far, once Start is called; `threads` 0 makes a read-ahead that does
  // nothing.
  TReadAhead(const TFileList& list, unsigned threads, size_t window);

  // Begins with a few readers ahead of entry `index`, which the run reads itself: one core's
  // worth less than the machine has (none on one core). In a warm folder these take the
  // opens and reads off the run's thread, which is left with a look and the rename; more
  // would only take the CPU from the run. Not on a network file system.
  void StartFew(size_t index);
  // Brings every reader, and the threads that warm the cache further ahead. Called when a
  // read had to wait (the folder is not in the cache, or is on a network). Once only.
  void Start(size_t index);
  bool Started() const { return Started_; }
  // The readers StartFew starts on this machine.
  static unsigned FewReaders();
  unsigned Threads() const { return Threads_; }
  // What it did: readers started, and files they read.
  unsigned ThreadsStarted() const { return ThreadsStarted_; }
  size_t Reads() const;
  ~TReadAhead();
  TReadAhead(const TReadAhead&) = delete;
  TReadAhead& operator=(const TReadAhead&) = delete;

  // Called by the run before it handles entry `index`: queues the checked entries up to the
  // window's end. Stops for good once the list has been replaced.
  void Advance(size_t index);

  // What the reader found for entry `index` at `path`, read ahead, with the name's own
  // attributes as they are now. Never waits, but for a read in flight over a network. False
  // when the run must read it itself: not
  // read ahead (yet, or a thread is reading it just then), unreadable then, a link, changed
  // or replaced since (the name is looked at again to know), or changed so shortly before the
  // read that a change after it could have kept the same time stamps.
  bool Take(size_t index, const std::string& path, TTagRead& read);

  // Drops what is queued; reads in flight end on their own, without being waited for.
  void Stop();

  static constexpr size_t kLookWindows = 16;

 private:
  struct TShared;
  void QueueLooks(size_t index);
  unsigned StartReaders(unsigned count);  // returns how many could be had

  const TFileList& List_;
  const uint64_t Generation_;
  const size_t Window_;
  const unsigned Threads_;
  size_t Reach_;         // how far ahead the readers go: the window, less over a network
  bool Remote_ = false;  // the files lie on a network file system
  bool Started_ = false;
  unsigned ThreadsStarted_ = 0;             // readers
  bool Looking_ = false;                    // threads warm the cache further ahead
  std::shared_ptr<TShared> Shared_;         // null: no read-ahead, or stopped
  size_t Next_ = 0;                         // the first entry not yet queued for reading
  size_t LookNext_ = 0;                     // the first entry not yet queued for a look
  std::vector<size_t> Batch_;               // slots queued by one refill
  std::vector<platform::TWarmFile> Looks_;  // files queued by one refill
};

}  // namespace tunaro::engine
