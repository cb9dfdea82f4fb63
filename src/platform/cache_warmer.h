// Brings the ends of many files into the page cache at once. The reads of one batch go to
// the disk together, so that the blocks of neighbouring small files are fetched by a few
// large requests instead of one request each; on a virtual disk each request costs more
// than the bytes it brings. Nothing read is kept: only the cache is warmed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tunaro::platform {

// A file to warm, and how much of it its reader reads: the first `Head` and last `Tail` bytes.
struct TWarmFile {
  std::string Path;
  uint32_t Head = 4096;
  uint32_t Tail = 4096;
};

class TCacheWarmer {
 public:
  // Batches of up to `batch` files. Without the system's asynchronous reads (an old kernel,
  // or a sandbox that forbids them) a warmer only looks at the names, which still brings
  // each file's record into the cache.
  explicit TCacheWarmer(size_t batch);
  ~TCacheWarmer();
  TCacheWarmer(const TCacheWarmer&) = delete;
  TCacheWarmer& operator=(const TCacheWarmer&) = delete;

  // Opens the regular files among `files` as OpenRegularFile does (anything else is passed
  // by without an open), reads the head and the tail of each that its reader reads, and closes
  // them. Returns when every read has ended. Errors are passed over: the reader meets them
  // later. Given paths alone, the first and the last kEnd bytes.
  void Warm(const std::vector<TWarmFile>& files);
  void Warm(const std::vector<std::string>& paths);

  static constexpr size_t kEnd = 4096;
  // The most of either end read: what is read is thrown away, into one buffer of this size.
  static constexpr size_t kMaxEnd = 64 * 1024;

  // How many files all the warmers of the process may hold open at once: a quarter of the
  // process's limit, so that the run, its log and the window never run out of descriptors.
  static size_t OpenFilesBudget();

 private:
  struct TRing;
  const size_t Batch_;
  std::vector<char> Buffers_;  // before the ring: freed after it
  std::unique_ptr<TRing> Ring_;
};

}  // namespace tunaro::platform
