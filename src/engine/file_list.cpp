#include "engine/file_list.h"

#include <algorithm>

namespace tunaro::engine {

namespace {

// Room for a large folder from the start, so that growing never copies what was listed;
// pages are only touched as they fill.
constexpr size_t kFirstNames = 4 << 20;
constexpr size_t kFirstEntries = 256 << 10;

}  // namespace

std::string TFileList::Path(size_t i) const {
  const auto run =
      std::upper_bound(Folders_.begin(), Folders_.end(), i,
                       [](size_t entry, const TFolderRun& r) { return entry < r.FirstEntry; });
  const std::string& folder = std::prev(run)->Folder;
  const size_t start = i == 0 ? 0 : NameEnds_[i - 1];
  std::string path;
  path.reserve(folder.size() + NameEnds_[i] - start);
  path.append(folder).append(Names_, start, NameEnds_[i] - start);
  return path;
}

void TFileList::Clear() {
  // The buffers keep their capacity: the next listing of the folder reuses the memory.
  Folders_.clear();
  Names_.clear();
  NameEnds_.clear();
  Checks_.clear();
  ++Generation_;
  if (Observer_) Observer_->ListCleared();
}

void TFileList::Append(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t split = slash == std::string_view::npos ? 0 : slash + 1;
  Append(path.substr(0, split), path.substr(split));
}

void TFileList::Append(std::string_view folder, std::string_view name, bool regular) {
  if (Checks_.capacity() == 0) {
    Names_.reserve(kFirstNames);
    NameEnds_.reserve(kFirstEntries);
    Checks_.reserve(kFirstEntries);
  }
  // Entries arrive folder by folder; only a change of folder adds one.
  if (Folders_.empty() || Folders_.back().Folder != folder)
    Folders_.push_back({Checks_.size(), std::string(folder)});
  Names_.append(name);
  NameEnds_.push_back(static_cast<uint32_t>(Names_.size()));
  Checks_.push_back(regular ? kRegular : 0);
  if (Observer_) Observer_->EntryAppended(Checks_.size() - 1);
}

void TFileList::SetChecked(size_t i, bool checked) {
  if (i >= Checks_.size()) return;
  Checks_[i] = static_cast<uint8_t>((Checks_[i] & ~kChecked) | (checked ? kChecked : 0));
  if (Observer_) Observer_->ChecksChanged(i, i);
}

void TFileList::SetAllChecked(bool checked) {
  if (Checks_.empty()) return;
  for (auto& c : Checks_) c = static_cast<uint8_t>((c & ~kChecked) | (checked ? kChecked : 0));
  if (Observer_) Observer_->ChecksChanged(0, Checks_.size() - 1);
}

}  // namespace tunaro::engine
