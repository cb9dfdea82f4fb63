// Brings the parts of files that are about to be read into the page cache, a few files at a
// time on worker threads, so that a run over a cold folder waits for many small reads at
// once instead of one after another. Nothing read is kept: only the cache is warmed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tunaro::platform {

// What of a file to bring in; opening it always brings in its inode.
enum TReadRegion : uint8_t {
  rrHead = 1,  // the first 4 KB, or the whole ID3v2 tag that starts there
  rrTail = 2,  // the last 4 KB, and an APE tag that ends there
};

class TReadAheadPool {
 public:
  // `capacity` bounds the paths waiting; the threads start at once.
  TReadAheadPool(unsigned threads, size_t capacity);
  // Stops without waiting: a read in flight ends on its own.
  ~TReadAheadPool();
  TReadAheadPool(const TReadAheadPool&) = delete;
  TReadAheadPool& operator=(const TReadAheadPool&) = delete;

  // Queues a file for the entry `index`; false when the queue is full or stopped. Never
  // waits for a read.
  bool Add(std::string path, uint8_t regions, size_t index);
  // Entries below `index` are no longer worth reading: the reader has been there.
  void Passed(size_t index);
  // Drops what is queued; no new read starts.
  void Stop();

  size_t Queued() const;
  // Files whose regions were not all in the cache, and how many files in a row were.
  uint64_t ColdFiles() const;
  uint64_t CachedStreak() const;

 private:
  struct TShared;
  std::shared_ptr<TShared> Shared_;
};

}  // namespace tunaro::platform
