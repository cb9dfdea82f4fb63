#include "engine/file_list.h"

namespace tunaro::engine {

void TFileList::Clear() {
  Paths_.clear();
  Checks_.clear();
  ++Generation_;
  if (Observer_) Observer_->ListCleared();
}

void TFileList::Append(std::string path) {
  Paths_.push_back(std::move(path));
  Checks_.push_back(0);
  if (Observer_) Observer_->EntryAppended(Paths_.size() - 1);
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

void TFileList::Reserve(size_t n) {
  Paths_.reserve(n);
  Checks_.reserve(n);
}

}  // namespace tunaro::engine
