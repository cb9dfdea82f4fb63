#include "engine/read_ahead.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>

#include "platform/cache_warmer.h"
#include "platform/fs.h"
#include "platform/fs_calls.h"
#include "platform/thread_priority.h"

namespace tunaro::engine {

namespace {

// A slot's life: the run fills a free slot and queues it; a thread takes it (Reading) and
// leaves its result (Ready); the run takes the result, or takes back a slot that no thread
// has begun, and frees it. A slot still being read is left to its thread; once Ready it is
// filled anew. Only the run fills or frees a slot, and only a thread that has moved it from
// Queued to Reading writes the result.
enum TSlotState : uint32_t { ssFree, ssQueued, ssReading, ssReady };

struct TSlot {
  std::atomic<uint32_t> State{ssFree};
  size_t Index = 0;
  std::string Path;
  TReaderKind Kind = TReaderKind::None;
  bool Regular = false;  // listed as a regular file of its own
  TTagRead Read;
};

// Files warmed by one batch of reads: their blocks, neighbours on the disk, are fetched by
// a few large requests.
constexpr size_t kLookBatch = 64;

// How far below the run the tag readers run (nice levels).
constexpr int kReaderNiceSteps = 10;

}  // namespace

struct TReadAhead::TShared {
  explicit TShared(size_t window) : Slots(std::make_unique<TSlot[]>(window)) {}

  const std::unique_ptr<TSlot[]> Slots;
  std::atomic<size_t> Reads{0};  // files the readers read
  std::mutex Mutex;
  std::condition_variable Wake;
  std::deque<size_t> Queue;  // slot numbers; a slot taken back meanwhile is passed over
  std::condition_variable WakeLooks;
  std::deque<platform::TWarmFile> Looks;
  bool Stopped = false;

  static void Look(std::shared_ptr<TShared> self, size_t batch) {
    platform::TCacheWarmer warmer(batch);
    std::vector<platform::TWarmFile> paths;
    for (;;) {
      paths.clear();
      {
        std::unique_lock lock(self->Mutex);
        self->WakeLooks.wait(lock, [&] { return self->Stopped || !self->Looks.empty(); });
        if (self->Stopped) return;
        while (paths.size() < batch && !self->Looks.empty()) {
          paths.push_back(std::move(self->Looks.front()));
          self->Looks.pop_front();
        }
      }
      warmer.Warm(paths);
    }
  }

  static void Work(std::shared_ptr<TShared> self) {
    // The run's own thread is the bound of a cold run: its renames, and the other threads'
    // first looks, all take turns at the folder's lock. On few cores the tag readers, at
    // the same priority, kept taking the CPU from the run; a lower one made a cold run of
    // 20,000 files 3 to 7 % faster (paired runs). The run never waits for these threads: it
    // reads for itself what none has finished. The warming threads keep their priority:
    // their first looks hold that lock.
    platform::LowerThreadPriority(kReaderNiceSteps);
    const platform::THeldFolders heldFolders;
    for (;;) {
      size_t number = 0;
      {
        std::unique_lock lock(self->Mutex);
        self->Wake.wait(lock, [&] { return self->Stopped || !self->Queue.empty(); });
        if (self->Stopped) return;
        number = self->Queue.front();
        self->Queue.pop_front();
      }
      TSlot& slot = self->Slots[number];
      uint32_t queued = ssQueued;
      if (!slot.State.compare_exchange_strong(queued, ssReading, std::memory_order_acquire))
        continue;
      slot.Read = ReadTag(slot.Kind, slot.Path, slot.Regular);
      self->Reads.fetch_add(1, std::memory_order_relaxed);
      slot.State.store(ssReady, std::memory_order_release);
      slot.State.notify_all();
    }
  }
};

TReadAhead::TReadAhead(const TFileList& list, unsigned threads, size_t window)
    : List_(list),
      Generation_(list.Generation()),
      Window_(window),
      Threads_(threads),
      Reach_(window) {}

unsigned TReadAhead::FewReaders() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 1 ? cores - 1 : 0;
}

unsigned TReadAhead::StartReaders(unsigned count) {
  // Detached: each thread holds the shared state, so stopping never waits for a read.
  // A thread that cannot be had leaves fewer: the run reads for itself what none reads.
  unsigned started = 0;
  try {
    for (; started < count; ++started) std::thread(TShared::Work, Shared_).detach();
  } catch (const std::system_error&) {
  }
  ThreadsStarted_ += started;
  return started;
}

void TReadAhead::StartFew(size_t index) {
  if (Shared_ || Started_ || index >= List_.Count() || Window_ == 0) return;
  const auto threads =
      static_cast<unsigned>(std::min<size_t>({Threads_, FewReaders(), List_.Count() - index}));
  // Over a network a reader's read is no cheaper than the run's, and a result checked
  // again can cost a round trip of its own: there all start together, once reads are slow.
  if (threads == 0 || platform::IsRemoteFileSystem(List_.Path(index))) return;
  Shared_ = std::make_shared<TShared>(Window_);
  Batch_.reserve(Window_);
  if (StartReaders(threads) == 0) {
    Shared_.reset();
    return;
  }
  Next_ = index + 1;  // the run reads the entry it is at itself
  LookNext_ = index + Window_;
  Advance(index);
}

void TReadAhead::Start(size_t index) {
  if (Started_) return;
  Started_ = true;
  if (index >= List_.Count() || List_.Generation() != Generation_) return;
  unsigned threads = static_cast<unsigned>(std::min<size_t>(Threads_, List_.Count() - index));
  if (threads == 0 || Window_ == 0) return;
  // Over a network each file costs round trips rather than disk reads: twice the readers,
  // and no warming ahead, whose opens would only add round trips of their own.
  Remote_ = platform::IsRemoteFileSystem(List_.Path(index));
  const bool remote = Remote_;
  // There the readers go only as far ahead as they keep up with: a file read long before the
  // run gets to it has its cached look expired by then (a second by default), and the look
  // at its turn would be one more round trip.
  if (remote) {
    threads *= 2;
    Reach_ = std::min(Window_, size_t{2} * threads);
  }
  const bool few = Shared_ != nullptr;
  if (!few) {
    Shared_ = std::make_shared<TShared>(Window_);
    Batch_.reserve(Window_);
  }
  StartReaders(threads > ThreadsStarted_ ? threads - ThreadsStarted_ : 0);
  if (ThreadsStarted_ == 0) {
    Shared_.reset();
    return;
  }
  // As many threads warm the cache far ahead as read tags near the run, as far as the
  // files they hold open at once stay within the process's budget; a small budget is
  // shared out in smaller batches first (under the common limit of 1024: 8 of 32).
  if (!remote && List_.Count() - index > Window_) {
    const size_t budget = platform::TCacheWarmer::OpenFilesBudget();
    const auto lookers =
        static_cast<unsigned>(std::clamp<size_t>(budget / (kLookBatch / 2), 1, threads));
    const size_t batch = std::clamp<size_t>(budget / lookers, 1, kLookBatch);
    try {
      for (unsigned t = 0; t < lookers; ++t) {
        std::thread(TShared::Look, Shared_, batch).detach();
        Looking_ = true;
      }
    } catch (const std::system_error&) {
    }
  }
  if (!few) {
    Next_ = index + 1;            // the run reads the entry it is at itself
    LookNext_ = index + Window_;  // the nearer entries are looked at by the threads that read them
  }
  Advance(index);
}

size_t TReadAhead::Reads() const {
  return Shared_ ? Shared_->Reads.load(std::memory_order_relaxed) : 0;
}

TReadAhead::~TReadAhead() {
  Stop();
}

void TReadAhead::Advance(size_t index) {
  if (!Shared_) return;
  if (List_.Generation() != Generation_) {
    Stop();
    return;
  }
  if (Looking_) QueueLooks(index);
  if (Next_ < index) Next_ = index;
  // Refilled in batches, when half the window has been used up: one wake-up per batch, not
  // a system call per file.
  if (Next_ >= index + Reach_ / 2 || Next_ >= List_.Count()) return;
  const size_t end = std::min(List_.Count(), index + Reach_);
  for (; Next_ < end; ++Next_) {
    if (!List_.Checked(Next_)) continue;
    std::string path = List_.Path(Next_);
    const TReaderKind kind = ReaderForExtension(ExtractFileExt(path));
    if (kind == TReaderKind::None) continue;
    const size_t number = Next_ % Window_;
    TSlot& slot = Shared_->Slots[number];
    // The slot's entry lies behind the run. One the run passed by may still be queued, or
    // being read: take it back, or leave the slot to its thread and this entry to the run.
    uint32_t state = slot.State.load(std::memory_order_acquire);
    if (state == ssQueued &&
        slot.State.compare_exchange_strong(state, ssFree, std::memory_order_acquire))
      state = ssFree;
    if (state == ssReading) continue;
    slot.Index = Next_;
    slot.Path = std::move(path);
    slot.Kind = kind;
    slot.Regular = List_.ListedRegular(Next_);
    slot.State.store(ssQueued, std::memory_order_release);
    Batch_.push_back(number);
  }
  if (Batch_.empty()) return;
  {
    std::lock_guard lock(Shared_->Mutex);
    Shared_->Queue.insert(Shared_->Queue.end(), Batch_.begin(), Batch_.end());
  }
  Batch_.clear();
  Shared_->Wake.notify_all();
}

void TReadAhead::QueueLooks(size_t index) {
  const size_t window = Window_ * kLookWindows;
  if (LookNext_ < index + Window_) LookNext_ = index + Window_;
  if (LookNext_ >= index + window / 2 || LookNext_ >= List_.Count()) return;
  const size_t end = std::min(List_.Count(), index + window);
  for (; LookNext_ < end; ++LookNext_) {
    if (!List_.Checked(LookNext_)) continue;
    std::string path = List_.Path(LookNext_);
    // The parts of the file its reader reads, as the registry says.
    const TReadRegions regions = ReaderRow(ReaderForExtension(ExtractFileExt(path))).Regions;
    if (regions.Head + regions.Tail > 0)
      Looks_.push_back({std::move(path), regions.Head, regions.Tail});
  }
  if (Looks_.empty()) return;
  {
    std::lock_guard lock(Shared_->Mutex);
    for (platform::TWarmFile& file : Looks_) Shared_->Looks.push_back(std::move(file));
  }
  Looks_.clear();
  Shared_->WakeLooks.notify_all();
}

bool TReadAhead::Take(size_t index, const std::string& path, TTagRead& read) {
  if (!Shared_) return false;
  TSlot& slot = Shared_->Slots[index % Window_];
  uint32_t state = slot.State.load(std::memory_order_acquire);
  if (state == ssFree || slot.Index != index || slot.Path != path) return false;
  // Not begun: reading it here costs no more than waiting for a thread to. Nor is a read in
  // flight waited for: the thread runs below the run's priority and, on a busy machine, could
  // hold the run (and the window's events) for tens of milliseconds after its disk read has
  // ended, while the run's own read waits for that same disk read only.
  if (state == ssQueued &&
      slot.State.compare_exchange_strong(state, ssFree, std::memory_order_acquire))
    return false;
  // Over a network a read in flight is waited for: reading the file again would cost the run
  // the same round trips over again.
  if (state == ssReading && Remote_) {
    slot.State.wait(ssReading, std::memory_order_acquire);
    state = slot.State.load(std::memory_order_acquire);
  }
  if (state != ssReady) return false;
  const bool same = StillAsRead(slot.Read, path);
  if (same) read = std::move(slot.Read);
  slot.State.store(ssFree, std::memory_order_relaxed);
  return same;
}

void TReadAhead::Stop() {
  if (!Shared_) return;
  {
    std::lock_guard lock(Shared_->Mutex);
    Shared_->Stopped = true;
    Shared_->Queue.clear();
    Shared_->Looks.clear();
  }
  Shared_->Wake.notify_all();
  Shared_->WakeLooks.notify_all();
  Shared_.reset();
}

}  // namespace tunaro::engine
