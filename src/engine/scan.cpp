#include "engine/scan.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "engine/name_builder.h"
#include "platform/ascii.h"
#include "platform/fs.h"

namespace tunaro::engine {

namespace {

using platform::TDirEntry;
using platform::TDirReader;
using platform::TEntryKind;

// One rule for both scans: a regular file (or a link to one) whose name ends in one of the
// chosen type's extensions, or else in the current extension, letter case ignored, as the
// mask "*" followed by the extension matches (an empty extension lists every file).
bool Listed(const TRunState& state, const TDirEntry& entry) {
  if (entry.Kind != TEntryKind::File) return false;
  if (state.FileType >= 0 && static_cast<size_t>(state.FileType) < kFileTypes.size())
    return TypeListsName(kFileTypes[static_cast<size_t>(state.FileType)], entry.Name);
  return platform::EndsWithIgnoringAsciiCase(entry.Name, state.CurrentExtension);
}

// A subfolder that a recursive scan enters: a link to a folder is not followed (as find
// does not), so the scan stays inside the tree it was given.
bool Entered(const TDirEntry& entry) {
  return entry.Kind == TEntryKind::Directory && !entry.Link;
}

// Lists the folders of a tree on worker threads ahead of the scan: a cold tree's folders
// then come from the disk many at a time, and the scan, one folder after another, finds
// them in the cache. The workers walk depth first as the scan does, the next folder the
// scan will need on top; what is waiting is bounded, and what falls off the bottom is left
// for the scan to read itself. Nothing but folders is opened, and nothing is kept.
class TFolderReadAhead {
 public:
  TFolderReadAhead() = default;
  bool Started() const { return Shared_ != nullptr; }
  void Start(const std::string& root, unsigned threads) {
    if (threads == 0 || Shared_) return;
    Shared_ = std::make_shared<TShared>();
    Shared_->Stack.push_back(root);
    try {
      for (unsigned t = 0; t < threads; ++t) std::thread(TShared::Work, Shared_).detach();
    } catch (const std::system_error&) {
    }
  }
  ~TFolderReadAhead() {
    if (!Shared_) return;
    {
      std::lock_guard lock(Shared_->Mutex);
      Shared_->Stopped = true;
      Shared_->Stack.clear();
    }
    Shared_->Wake.notify_all();
  }
  TFolderReadAhead(const TFolderReadAhead&) = delete;
  TFolderReadAhead& operator=(const TFolderReadAhead&) = delete;

 private:
  static constexpr size_t kMaxWaiting = 4096;

  struct TShared {
    std::mutex Mutex;
    std::condition_variable Wake;
    std::vector<std::string> Stack;
    std::set<std::pair<uint64_t, uint64_t>> Visited;  // a folder reached twice (a bind mount)
    unsigned Busy = 0;
    bool Stopped = false;

    static void Work(std::shared_ptr<TShared> self) {
      std::vector<std::string> found;
      for (;;) {
        std::string folder;
        {
          std::unique_lock lock(self->Mutex);
          self->Wake.wait(lock,
                          [&] { return self->Stopped || !self->Stack.empty() || self->Busy == 0; });
          if (self->Stopped || self->Stack.empty()) return;  // stopped, or the walk is done
          folder = std::move(self->Stack.back());
          self->Stack.pop_back();
          ++self->Busy;
        }
        found.clear();
        TDirReader dir;
        uint64_t device = 0, inode = 0;
        if (dir.Open(folder) && dir.Identity(device, inode)) {
          TDirEntry entry;
          while (dir.Next(entry))
            if (Entered(entry)) found.push_back(std::string(folder).append(entry.Name).append("/"));
        }
        {
          std::lock_guard lock(self->Mutex);
          --self->Busy;
          if (!found.empty() && self->Visited.insert({device, inode}).second) {
            // Reversed, so that the first subfolder is taken next, as the scan takes it.
            for (auto it = found.rbegin(); it != found.rend(); ++it)
              self->Stack.push_back(std::move(*it));
            if (self->Stack.size() > kMaxWaiting)
              self->Stack.erase(
                  self->Stack.begin(),
                  self->Stack.begin() + static_cast<ptrdiff_t>(self->Stack.size() - kMaxWaiting));
          }
        }
        self->Wake.notify_all();
      }
    }
  };
  std::shared_ptr<TShared> Shared_;
};

class TRecursiveScan {
 public:
  TRecursiveScan(TEngineHost& host, const std::string& root, unsigned readAheadThreads,
                 std::chrono::microseconds coldFolder)
      : Host_(host),
        Generation_(host.Entries().Generation()),
        Root_(root),
        ReadAheadThreads_(readAheadThreads),
        ColdFolder_(coldFolder) {}

  // Returns false once the scan has been superseded by another refresh of the list.
  bool Scan(const std::string& folder) {
    TDirReader dir;
    const auto start = std::chrono::steady_clock::now();
    if (!dir.Open(folder)) return true;  // an unreadable folder contributes nothing
    // A folder that took a read from the disk says the tree is cold: only then is it read
    // ahead, since in a warm tree the second listing would only cost time.
    if (!ReadAhead_.Started() && std::chrono::steady_clock::now() - start >= ColdFolder_)
      ReadAhead_.Start(Root_, ReadAheadThreads_);
    uint64_t device = 0, inode = 0;
    if (dir.Identity(device, inode) && !Visited_.insert({device, inode}).second) return true;
    TDirEntry entry;
    std::string path;
    while (dir.Next(entry)) {
      path.assign(folder).append(entry.Name);
      if (Entered(entry)) {
        if (!Scan(path + "/")) return false;
      } else if (Listed(Host_.State(), entry)) {
        ++Host_.State().Counters.Total;
        Host_.Entries().Append(folder, entry.Name, !entry.Link);
      }
      Host_.CounterDisplayRefresh();
      if (Host_.Entries().Generation() != Generation_) return false;
    }
    return true;
  }

 private:
  TEngineHost& Host_;
  uint64_t Generation_;
  const std::string Root_;
  const unsigned ReadAheadThreads_;
  const std::chrono::microseconds ColdFolder_;
  std::set<std::pair<uint64_t, uint64_t>> Visited_;
  TFolderReadAhead ReadAhead_;  // last: stopped before the rest goes
};

}  // namespace

void FlatScan(TEngineHost& host, const std::string& folder) {
  const uint64_t generation = host.Entries().Generation();
  TDirReader dir;
  if (!dir.Open(folder)) return;
  TDirEntry entry;
  while (dir.Next(entry)) {
    if (!Listed(host.State(), entry)) continue;
    ++host.State().Counters.Total;
    host.Entries().Append(folder, entry.Name, !entry.Link);
    host.CounterDisplayRefresh();
    if (host.Entries().Generation() != generation) return;  // a newer refresh took over
  }
}

void RecursiveScan(TEngineHost& host, const std::string& folder, unsigned readAheadThreads,
                   std::chrono::microseconds coldFolder) {
  TRecursiveScan(host, folder, readAheadThreads, coldFolder).Scan(folder);
}

void FolderRefresh(TEngineHost& host, const std::string& treePath) {
  TRunState& state = host.State();
  host.Entries().Clear();
  // From here on a change of generation means a newer refresh or a drop took over.
  const uint64_t generation = host.Entries().Generation();
  state.CurrentFolder = treePath;
  if (state.CurrentFolder.empty() || state.CurrentFolder.back() != '/') state.CurrentFolder += '/';
  state.Counters = {};
  host.CounterDisplayRefresh();
  if (host.Entries().Generation() != generation) return;
  host.BeginBusy();
  // Nothing selected lists nothing (rather than the root of the file system).
  if (!treePath.empty()) {
    if (state.ProcessSubDirectory)
      RecursiveScan(host, state.CurrentFolder);
    else
      FlatScan(host, state.CurrentFolder);
  }
  host.EndBusy();
  if (host.Entries().Generation() != generation) return;  // superseded: the newer one counts
  state.Counters.Total = static_cast<int32_t>(host.Entries().Count());
  host.CounterDisplayRefresh();
}

void DropFiles(TEngineHost& host, const std::vector<std::string>& paths) {
  host.State().Counters.Total = static_cast<int32_t>(paths.size());
  if (paths.empty()) return;
  host.Entries().Clear();
  for (const auto& path : paths) host.Entries().Append(path);
  host.CounterDisplayRefresh();
}

}  // namespace tunaro::engine
