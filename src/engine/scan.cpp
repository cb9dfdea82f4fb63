#include "engine/scan.h"

#include <set>
#include <utility>

#include "engine/name_builder.h"
#include "platform/fs.h"

namespace tunaro::engine {

namespace {

using platform::TDirEntry;
using platform::TDirReader;
using platform::TEntryKind;

bool EndsWithIgnoringCase(std::string_view name, std::string_view suffix) {
  if (suffix.size() > name.size()) return false;
  const std::string_view tail = name.substr(name.size() - suffix.size());
  for (size_t i = 0; i < suffix.size(); ++i) {
    char a = tail[i], b = suffix[i];
    if (a >= 'A' && a <= 'Z') a = static_cast<char>(a + 32);
    if (b >= 'A' && b <= 'Z') b = static_cast<char>(b + 32);
    if (a != b) return false;
  }
  return true;
}

class TRecursiveScan {
 public:
  TRecursiveScan(TEngineHost& host) : Host_(host), Generation_(host.Entries().Generation()) {}

  // Returns false once the scan has been superseded by another refresh of the list.
  bool Scan(const std::string& folder) {
    TDirReader dir;
    if (!dir.Open(folder)) return true;  // an unreadable folder contributes nothing
    uint64_t device = 0, inode = 0;
    if (dir.Identity(device, inode) && !Visited_.insert({device, inode}).second) return true;
    TDirEntry entry;
    std::string path;
    while (dir.Next(entry)) {
      path.assign(folder).append(entry.Name);
      if (entry.Kind == TEntryKind::Directory) {
        if (!Scan(path + "/")) return false;
      } else if (entry.Kind == TEntryKind::File &&
                 ExtractFileExt(path) == Host_.State().CurrentExtension) {
        ++Host_.State().Counters.Total;
        Host_.Entries().Append(path);
      }
      Host_.CounterDisplayRefresh();
      if (Host_.Entries().Generation() != Generation_) return false;
    }
    return true;
  }

 private:
  TEngineHost& Host_;
  uint64_t Generation_;
  std::set<std::pair<uint64_t, uint64_t>> Visited_;
};

}  // namespace

void FlatScan(TEngineHost& host, const std::string& folder) {
  const uint64_t generation = host.Entries().Generation();
  TDirReader dir;
  if (!dir.Open(folder)) return;
  TDirEntry entry;
  while (dir.Next(entry)) {
    if (entry.Kind != TEntryKind::File) continue;
    // The mask is "*" followed by the extension; an empty extension lists every file.
    if (!EndsWithIgnoringCase(entry.Name, host.State().CurrentExtension)) continue;
    ++host.State().Counters.Total;
    host.Entries().Append(folder, entry.Name);
    host.CounterDisplayRefresh();
    if (host.Entries().Generation() != generation) return;  // a newer refresh took over
  }
}

void RecursiveScan(TEngineHost& host, const std::string& folder) {
  TRecursiveScan(host).Scan(folder);
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
