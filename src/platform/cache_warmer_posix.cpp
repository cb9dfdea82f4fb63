#include <sys/resource.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "platform/cache_warmer.h"
#include "platform/fs.h"

#if TUNARO_HAVE_LIBURING
#include <liburing.h>
#endif

namespace tunaro::platform {

#if TUNARO_HAVE_LIBURING

struct TCacheWarmer::TRing {
  io_uring Ring{};
  bool Ready = false;
  explicit TRing(unsigned entries) {
    Ready = entries > 0 && io_uring_queue_init(entries, &Ring, 0) == 0;
  }
  ~TRing() {
    if (Ready) io_uring_queue_exit(&Ring);
  }
};

#else

struct TCacheWarmer::TRing {
  bool Ready = false;
  explicit TRing(unsigned) {}
};

#endif

TCacheWarmer::TCacheWarmer(size_t batch)
    : Batch_(std::max<size_t>(1, batch)),
      Ring_(std::make_unique<TRing>(static_cast<unsigned>(2 * Batch_))) {
  if (Ring_->Ready) Buffers_.resize(kMaxEnd);
}

TCacheWarmer::~TCacheWarmer() = default;

size_t TCacheWarmer::OpenFilesBudget() {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 64;
  if (limit.rlim_cur == RLIM_INFINITY) return 1 << 16;
  return static_cast<size_t>(std::min<rlim_t>(limit.rlim_cur, 1 << 18) / 4);
}

namespace {

// Whether the start of the open file is in the cache already; asked without waiting for the
// disk.
bool HeadCached(const TReadableFile& file) {
  char byte = 0;
  iovec io{&byte, 1};
  return file.Size == 0 || preadv2(file.Fd, &io, 1, 0, RWF_NOWAIT) == 1;
}

}  // namespace

void TCacheWarmer::Warm(const std::vector<std::string>& paths) {
  std::vector<TWarmFile> files;
  files.reserve(paths.size());
  for (const std::string& path : paths) files.push_back({path, kEnd, kEnd});
  Warm(files);
}

void TCacheWarmer::Warm(const std::vector<TWarmFile>& files) {
  for (size_t from = 0; from < files.size(); from += Batch_) {
    const size_t to = std::min(files.size(), from + Batch_);
    // A batch whose first file is in the cache is taken to be there whole: the folder is
    // warm (read by a preview, say), and warming it again would only take time from the run.
    TReadableFile first;
    const bool opened = OpenRegularFile(files[from].Path, first) == 0;
    if (opened && HeadCached(first)) {
      close(first.Fd);
      continue;
    }
    if (!Ring_->Ready) {
      if (opened) close(first.Fd);
      for (size_t k = from + 1; k < to; ++k) {
        TFileStamp stamp;
        int32_t attributes = 0;
        LookAtFile(files[k].Path, stamp, attributes);
      }
      continue;
    }
#if TUNARO_HAVE_LIBURING
    std::vector<int> fds;
    fds.reserve(to - from);
    unsigned queued = 0;
    for (size_t k = from; k < to; ++k) {
      TReadableFile file = first;  // the first is open already, if it could be
      if (k != from ? OpenRegularFile(files[k].Path, file) != 0 : !opened) continue;
      fds.push_back(file.Fd);
      // The head, and the tail where the head does not reach it. What is read is thrown
      // away: every read of the batch goes into the one buffer.
      const int64_t head = std::min<int64_t>(files[k].Head, kMaxEnd);
      const int64_t tail = std::min<int64_t>(files[k].Tail, kMaxEnd);
      const int64_t tailAt = std::max(head, file.Size - tail);
      const std::pair<int64_t, int64_t> ends[] = {{0, head}, {tailAt, file.Size - tailAt}};
      for (const auto& [offset, length] : ends) {
        if (length <= 0 || offset >= file.Size) continue;
        io_uring_sqe* sqe = io_uring_get_sqe(&Ring_->Ring);
        if (sqe == nullptr) break;
        io_uring_prep_read(sqe, file.Fd, Buffers_.data(), static_cast<unsigned>(length),
                           static_cast<uint64_t>(offset));
        ++queued;
      }
    }
    // One submission for the whole batch: the reads reach the disk together.
    unsigned done = 0;
    while (done < queued) {
      const int submitted = io_uring_submit_and_wait(&Ring_->Ring, 1);
      if (submitted < 0 && submitted != -EINTR && submitted != -EAGAIN) {
        // Reads may still be in flight into the buffers: they and the ring are given up
        // rather than freed under them, and the names are only looked at from now on.
        static_cast<void>(Ring_.release());
        static_cast<void>(new std::vector<char>(std::move(Buffers_)));
        Ring_ = std::make_unique<TRing>(0);
        fds.clear();  // left open with the reads
        break;
      }
      io_uring_cqe* cqe = nullptr;
      unsigned head = 0;
      unsigned seen = 0;
      io_uring_for_each_cqe(&Ring_->Ring, head, cqe) {
        ++seen;
      }
      io_uring_cq_advance(&Ring_->Ring, seen);
      done += seen;
    }
    for (const int fd : fds) close(fd);
#endif
  }
}

}  // namespace tunaro::platform
