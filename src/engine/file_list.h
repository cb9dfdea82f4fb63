// The found-file list and the check marks: one owner keeps the two in step, entry i of one
// being entry i of the other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tunaro::engine {

// Told of every change, so that a view can follow the list without copying it.
class TFileListObserver {
 public:
  virtual ~TFileListObserver() = default;
  virtual void ListCleared() = 0;
  virtual void EntryAppended(size_t index) = 0;
  virtual void ChecksChanged(size_t first, size_t last) = 0;
};

class TFileList {
 public:
  size_t Count() const { return Paths_.size(); }
  const std::string& Path(size_t i) const { return Paths_[i]; }
  bool Checked(size_t i) const { return Checks_[i] != 0; }

  void Clear();
  // New entries are unchecked.
  void Append(std::string path);
  void SetChecked(size_t i, bool checked);
  void SetAllChecked(bool checked);
  void Reserve(size_t n);

  // Changes on every Clear: a scan that finds it changed has been superseded and stops.
  uint64_t Generation() const { return Generation_; }

  void SetObserver(TFileListObserver* observer) { Observer_ = observer; }

 private:
  std::vector<std::string> Paths_;
  std::vector<uint8_t> Checks_;
  uint64_t Generation_ = 0;
  TFileListObserver* Observer_ = nullptr;
};

}  // namespace tunaro::engine
