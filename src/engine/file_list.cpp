#include "engine/file_list.h"

namespace tunaro::engine {

std::string TFileList::Path(size_t i) const {
  const TEntry& e = Entries_[i];
  const std::string& folder = Folders_[e.Folder];
  std::string path;
  path.reserve(folder.size() + e.NameLength);
  path.append(folder).append(Names_, e.NameStart, e.NameLength);
  return path;
}

void TFileList::Clear() {
  // The buffers keep their capacity: the next listing of the folder reuses the memory.
  Folders_.clear();
  Names_.clear();
  Entries_.clear();
  Checks_.clear();
  ++Generation_;
  if (Observer_) Observer_->ListCleared();
}

void TFileList::Append(std::string_view path) {
  const size_t slash = path.find_last_of('/');
  const size_t split = slash == std::string_view::npos ? 0 : slash + 1;
  Append(path.substr(0, split), path.substr(split));
}

void TFileList::Append(std::string_view folder, std::string_view name) {
  // Entries arrive folder by folder; only a change of folder adds one.
  if (Folders_.empty() || Folders_.back() != folder) Folders_.emplace_back(folder);
  Entries_.push_back({static_cast<uint32_t>(Folders_.size() - 1),
                      static_cast<uint32_t>(name.size()), Names_.size()});
  Names_.append(name);
  Checks_.push_back(0);
  if (Observer_) Observer_->EntryAppended(Checks_.size() - 1);
}

void TFileList::SetChecked(size_t i, bool checked) {
  if (i >= Checks_.size()) return;
  Checks_[i] = checked ? 1 : 0;
  if (Observer_) Observer_->ChecksChanged(i, i);
}

void TFileList::SetAllChecked(bool checked) {
  if (Checks_.empty()) return;
  for (auto& c : Checks_) c = checked ? 1 : 0;
  if (Observer_) Observer_->ChecksChanged(0, Checks_.size() - 1);
}

}  // namespace tunaro::engine
