// Times the folder scans against a bare readdir loop, measures the list's memory per entry,
// and the longest gap between two counter display refreshes (where the window lets its
// events run) during a scan and a rename run.
//
// Usage: scan_bench MODE FOLDER [REPEAT]
//   flat | recursive            the engine's scans, through a host that draws nothing
//   readdir | readdir-recursive the bare loops: opendir, readdir, closedir, nothing else
//   run                         a folder refresh and a rename run of every file (renames!)
//   arena                       the flat scan's work into one buffer, no allocation per entry
//   gaps                        a flat scan that times the gaps between refreshes
// Prints one JSON object per repetition.
#include <dirent.h>
#include <malloc.h>

#include <strings.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/host.h"
#include "engine/readers.h"
#include "engine/rename_run.h"
#include "engine/scan.h"

namespace {

using TClockType = std::chrono::steady_clock;

class TBenchHost : public tunaro::engine::TEngineHost {
 public:
  tunaro::engine::TFileList& Entries() override { return List_; }
  tunaro::engine::TRunState& State() override { return State_; }
  explicit TBenchHost(bool timeGaps) : TimeGaps_(timeGaps) {}
  void CounterDisplayRefresh() override {
    if (!TimeGaps_) return;  // the timed runs pay for nothing a window would not do
    const auto now = TClockType::now();
    if (Last_ != TClockType::time_point{}) MaxGap_ = std::max(MaxGap_, now - Last_);
    Last_ = now;
  }
  std::string DesktopDir() const override { return {}; }
  double MaxGapMs() const { return std::chrono::duration<double, std::milli>(MaxGap_).count(); }

 private:
  bool TimeGaps_;
  tunaro::engine::TFileList List_;
  tunaro::engine::TRunState State_;
  TClockType::time_point Last_{};
  TClockType::duration MaxGap_{};
};

// Heap in use, the large blocks malloc maps on their own included.
size_t HeapInUse() {
  const auto info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

size_t BareReaddir(const std::string& folder, bool recursive) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return 0;
  size_t n = 0;
  while (const dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.' && (e->d_name[1] == 0 || (e->d_name[1] == '.' && e->d_name[2] == 0)))
      continue;
    if (recursive && e->d_type == DT_DIR)
      n += BareReaddir(folder + e->d_name + "/", true);
    else
      ++n;
  }
  closedir(dir);
  return n;
}

// What a list that keeps all paths in one buffer would cost: the flat scan's work (filter,
// full path) with no allocation per entry. A yardstick for the list's own overhead.
size_t ArenaScan(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::string arena;
  std::vector<uint32_t> offsets;
  while (const dirent* e = readdir(dir)) {
    if (e->d_type != DT_REG) continue;
    const size_t len = std::strlen(e->d_name);
    if (len < 4 || strcasecmp(e->d_name + len - 4, ".mp3") != 0) continue;
    offsets.push_back(static_cast<uint32_t>(arena.size()));
    arena.append(folder).append(e->d_name, len).push_back('\0');
  }
  closedir(dir);
  return offsets.size();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: scan_bench MODE FOLDER [REPEAT]\n");
    return 2;
  }
  const std::string mode = argv[1];
  std::string folder = argv[2];
  if (folder.back() != '/') folder += '/';
  const int repeat = argc > 3 ? std::atoi(argv[3]) : 1;
  for (int r = 0; r < repeat; ++r) {
    TBenchHost host(mode == "run" || mode == "gaps");
    host.State().ProcessSubDirectory = mode == "recursive";
    size_t entries = 0;
    const size_t heapBefore = HeapInUse();
    const auto start = TClockType::now();
    if (mode == "readdir" || mode == "readdir-recursive") {
      entries = BareReaddir(folder, mode == "readdir-recursive");
    } else if (mode == "arena") {
      entries = ArenaScan(folder);
    } else if (mode == "flat" || mode == "recursive" || mode == "gaps") {
      tunaro::engine::FolderRefresh(host, folder.substr(0, folder.size() - 1));
      entries = host.Entries().Count();
    } else if (mode == "run") {
      tunaro::engine::FolderRefresh(host, folder.substr(0, folder.size() - 1));
      host.Entries().SetAllChecked(true);
      tunaro::engine::TReaders readers;
      tunaro::engine::TRunSettings settings;
      settings.Template = "%1 - %2";
      tunaro::engine::RenameRun(host, readers, settings);
      entries = static_cast<size_t>(host.State().Counters.Success);
    } else {
      std::fprintf(stderr, "unknown mode %s\n", mode.c_str());
      return 2;
    }
    const double seconds = std::chrono::duration<double>(TClockType::now() - start).count();
    // The list's heap per entry, and the length of the paths it stands for.
    double heapPerEntry = 0, pathPerEntry = 0;
    if ((mode == "flat" || mode == "recursive") && entries > 0) {
      size_t pathBytes = 0;
      for (size_t i = 0; i < entries; ++i) pathBytes += host.Entries().Path(i).size();
      heapPerEntry = static_cast<double>(HeapInUse() - heapBefore) / static_cast<double>(entries);
      pathPerEntry = static_cast<double>(pathBytes) / static_cast<double>(entries);
    }
    std::printf(
        "{\"mode\":\"%s\",\"entries\":%zu,\"seconds\":%.6f,\"max_gap_ms\":%.3f,"
        "\"heap_per_entry\":%.1f,\"path_per_entry\":%.1f,"
        "\"bytes_per_entry_beyond_path\":%.1f}\n",
        mode.c_str(), entries, seconds, host.MaxGapMs(), heapPerEntry, pathPerEntry,
        heapPerEntry - pathPerEntry);
  }
  return 0;
}
