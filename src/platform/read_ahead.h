// Brings the parts of files that are about to be read into the page cache, a few files at a
// time on worker threads, so that a run over a cold folder waits for many small reads at
// once instead of one after another. Nothing read is kept: only the cache is warmed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tunaro::platform {

// What of a file to bring in; opening it always brings in its inode.
enum TReadRegion : uint8_t {
  rrHead = 1,  // the first 4 KB, or the whole ID3v2 tag that starts there
  rrTail = 2,  // the last 4 KB, and an APE tag that ends there
};

struct TReadAheadFile {
  std::string Path;
  uint8_t Regions = 0;
  size_t Index = 0;  // the entry it belongs to
};

class TReadAheadPool {
 public:
  // `capacity` bounds the paths waiting; the threads start at once.
  TReadAheadPool(unsigned threads, size_t capacity);
  // Stops without waiting: a read in flight ends on its own.
  ~TReadAheadPool();
  TReadAheadPool(const TReadAheadPool&) = delete;
  TReadAheadPool& operator=(const TReadAheadPool&) = delete;

  // Queues the files, in their order, as far as there is room; takes the queued ones out
  // of `files` and returns their number. One call wakes the threads once: a wake-up per
  // file would cost the caller a system call per file. Never waits for a read.
  size_t Add(std::vector<TReadAheadFile>& files);
  // Entries below `index` are no longer worth reading: the reader has been there.
  void Passed(size_t index);
  // Drops what is queued; no new read starts.
  void Stop();

  size_t Queued() const;
  // Files whose regions were not all in the cache, and how many files in a row were.
  uint64_t ColdFiles() const;
  uint64_t CachedStreak() const;
  // Files taken from the queue and finished with, read or skipped.
  uint64_t Done() const;

 private:
  struct TShared;
  std::shared_ptr<TShared> Shared_;
};

}  // namespace tunaro::platform
