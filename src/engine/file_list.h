// The found-file list and the check marks: one owner keeps the two in step, entry i of one
// being entry i of the other.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
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
  size_t Count() const { return Checks_.size(); }
  // The full path of entry i.
  std::string Path(size_t i) const;
  bool Checked(size_t i) const { return (Checks_[i] & kChecked) != 0; }
  // Whether a scan listed the entry as a regular file itself (not a link to one): its reader
  // may open it without looking at the name first.
  bool ListedRegular(size_t i) const { return (Checks_[i] & kRegular) != 0; }

  void Clear();
  // New entries are unchecked.
  void Append(std::string_view path);
  // The same for a path given as its folder (ending with "/") and its name; `regular` says
  // the folder's listing called it a regular file.
  void Append(std::string_view folder, std::string_view name, bool regular = false);
  void SetChecked(size_t i, bool checked);
  void SetAllChecked(bool checked);

  // Changes on every Clear: a scan that finds it changed has been superseded and stops.
  uint64_t Generation() const { return Generation_; }

  void SetObserver(TFileListObserver* observer) { Observer_ = observer; }

 private:
  // A scan lists many names of one folder: each folder is kept once, with the index of the
  // first entry that uses it, and the names back to back in one buffer, so an entry costs
  // little more than its name. On a virtual machine the first touch of fresh memory is what
  // a large listing spends most of its time on.
  enum : uint8_t { kChecked = 1, kRegular = 2 };
  struct TFolderRun {
    size_t FirstEntry;
    std::string Folder;
  };
  std::vector<TFolderRun> Folders_;
  std::string Names_;
  std::vector<uint32_t>
      NameEnds_;                 // where each name ends in Names_; it starts where the last ended
  std::vector<uint8_t> Checks_;  // kChecked and kRegular of each entry
  uint64_t Generation_ = 0;
  TFileListObserver* Observer_ = nullptr;
};

}  // namespace tunaro::engine
