#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/fs.h"
#include "platform/read_ahead.h"

namespace tunaro::platform {

namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr int64_t kFirstRead = 4 * 1024;
// A tag larger than this (cover art) is left to the reader: the bytes that name the file
// come first.
constexpr int64_t kMaxRegion = 1 << 20;

// Reads [offset, offset + count) into `buffer` (kChunk bytes; a longer region wraps round in
// it). Until the file has shown itself cold, each piece is asked of the cache first without
// waiting; after that the question would only cost a system call. Returns the bytes read;
// `cold` is set when the cache lacked some.
int64_t Touch(int fd, int64_t offset, int64_t count, uint8_t* buffer, bool& cold) {
  int64_t done = 0;
  while (done < count) {
    const size_t at = static_cast<size_t>(done % static_cast<int64_t>(kChunk));
    const size_t want = static_cast<size_t>(std::min<int64_t>(count - done, kChunk - at));
    iovec io{buffer + at, want};
    ssize_t n = cold ? -1 : preadv2(fd, &io, 1, offset + done, RWF_NOWAIT);
    if (n < 0 && !cold && errno == EINTR) continue;
    if (n < 0) {
      cold = true;  // EAGAIN: not cached; EOPNOTSUPP: cannot tell, so read it anyway
      n = pread(fd, buffer + at, want, offset + done);
    }
    if (n <= 0) break;
    done += n;
  }
  return done;
}

uint32_t SyncSafe(const uint8_t* p) {
  return (uint32_t{p[0]} << 21) | (uint32_t{p[1]} << 14) | (uint32_t{p[2]} << 7) | p[3];
}

uint32_t U32LE(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// True when some region was not in the cache.
bool Fetch(const TReadAheadFile& item, uint8_t* buffer) {
  TReadableFile file;
  if (OpenRegularFile(item.Path, file) != 0) return true;
  bool cold = false;
  const int64_t size = file.Size;
  const bool tail = (item.Regions & rrTail) && size > 0;
  // A small file is read whole: one read serves both ends.
  const int64_t headCount = tail && size <= 2 * kFirstRead ? size
                            : (item.Regions & rrHead)      ? std::min(size, kFirstRead)
                                                           : 0;
  int64_t n = 0;
  if (headCount > 0) {
    n = Touch(file.Fd, 0, headCount, buffer, cold);
    // The ID3v2 reader walks the whole tag.
    if ((item.Regions & rrHead) && n >= 10 && std::memcmp(buffer, "ID3", 3) == 0) {
      const int64_t tag = std::min<int64_t>(SyncSafe(buffer + 6) + 10, kMaxRegion);
      if (tag > headCount) Touch(file.Fd, headCount, std::min(tag, size) - headCount, buffer, cold);
    }
  }
  if (tail) {
    int64_t start = 0;
    if (headCount < size) {
      start = size > kFirstRead ? size - kFirstRead : 0;
      n = Touch(file.Fd, start, size - start, buffer, cold);
    }
    // An APE tag ends at the end of the file or just before an ID3v1 tag; its footer gives
    // its size, header excluded.
    for (const int64_t footer : {size - 32, size - 160}) {
      if (n <= 0 || footer < start || footer + 32 > start + n) continue;
      const uint8_t* f = buffer + (footer - start);
      if (std::memcmp(f, "APETAGEX", 8) != 0) continue;
      const int64_t tagStart = footer + 32 - static_cast<int64_t>(U32LE(f + 12)) - 32;
      const int64_t from = std::max<int64_t>({tagStart, footer + 32 - kMaxRegion, 0});
      if (from < start) Touch(file.Fd, from, start - from, buffer, cold);
      break;
    }
  }
  close(file.Fd);
  return cold;
}

}  // namespace

struct TReadAheadPool::TShared {
  std::mutex Mutex;
  std::condition_variable Wake;
  std::deque<TReadAheadFile> Queue;
  size_t Capacity = 0;
  bool Stopped = false;
  std::atomic<size_t> Passed{0};
  std::atomic<uint64_t> ColdFiles{0};
  std::atomic<uint64_t> CachedStreak{0};
  std::atomic<uint64_t> Done{0};

  static void Work(std::shared_ptr<TShared> self) {
    std::vector<uint8_t> buffer(kChunk);
    for (;;) {
      TReadAheadFile item;
      {
        std::unique_lock lock(self->Mutex);
        self->Wake.wait(lock, [&] { return self->Stopped || !self->Queue.empty(); });
        if (self->Stopped) return;
        item = std::move(self->Queue.front());
        self->Queue.pop_front();
      }
      if (item.Index < self->Passed.load(std::memory_order_relaxed)) {
        self->Done.fetch_add(1, std::memory_order_release);
        continue;
      }
      if (Fetch(item, buffer.data())) {
        self->ColdFiles.fetch_add(1, std::memory_order_relaxed);
        self->CachedStreak.store(0, std::memory_order_relaxed);
      } else {
        self->CachedStreak.fetch_add(1, std::memory_order_relaxed);
      }
      self->Done.fetch_add(1, std::memory_order_release);
    }
  }
};

TReadAheadPool::TReadAheadPool(unsigned threads, size_t capacity)
    : Shared_(std::make_shared<TShared>()) {
  Shared_->Capacity = capacity;
  // Detached: each thread holds the shared state, so stopping never waits for a read.
  // A thread that cannot be had leaves fewer: the read-ahead is never needed.
  try {
    for (unsigned t = 0; t < threads; ++t) std::thread(TShared::Work, Shared_).detach();
  } catch (const std::system_error&) {
  }
}

TReadAheadPool::~TReadAheadPool() {
  Stop();
}

size_t TReadAheadPool::Add(std::vector<TReadAheadFile>& files) {
  size_t taken = 0;
  {
    std::lock_guard lock(Shared_->Mutex);
    if (Shared_->Stopped) return 0;
    taken = std::min(files.size(),
                     Shared_->Capacity - std::min(Shared_->Capacity, Shared_->Queue.size()));
    for (size_t k = 0; k < taken; ++k) Shared_->Queue.push_back(std::move(files[k]));
  }
  files.erase(files.begin(), files.begin() + static_cast<ptrdiff_t>(taken));
  if (taken > 0) Shared_->Wake.notify_all();
  return taken;
}

void TReadAheadPool::Passed(size_t index) {
  Shared_->Passed.store(index, std::memory_order_relaxed);
}

void TReadAheadPool::Stop() {
  {
    std::lock_guard lock(Shared_->Mutex);
    if (Shared_->Stopped) return;
    Shared_->Stopped = true;
    Shared_->Queue.clear();
  }
  Shared_->Wake.notify_all();
}

size_t TReadAheadPool::Queued() const {
  std::lock_guard lock(Shared_->Mutex);
  return Shared_->Queue.size();
}

uint64_t TReadAheadPool::ColdFiles() const {
  return Shared_->ColdFiles.load(std::memory_order_relaxed);
}

uint64_t TReadAheadPool::CachedStreak() const {
  return Shared_->CachedStreak.load(std::memory_order_relaxed);
}

}  // namespace tunaro::platform

namespace tunaro::platform {

uint64_t TReadAheadPool::Done() const {
  return Shared_->Done.load(std::memory_order_acquire);
}

}  // namespace tunaro::platform
