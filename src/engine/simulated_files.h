// The names a rename run or an undo replay has taken, and the file system as their dry runs
// see it: the real one with the pretended renames applied. Names compare as the folder's file
// system compares them: where it ignores letter case, in upper case (as exFAT's and NTFS's
// tables map letters), so that a dry run agrees with the real one on a name given up earlier
// and asked for in other case.
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tunaro::engine {

class TSimulatedFiles {
 public:
  bool Exists(const std::string& path);
  // 0, or the errno the real rename would give (ENOENT, EEXIST); changes nothing. A name the
  // file system takes for the file itself, in another letter case, is not in the way.
  int CanRename(const std::string& from, const std::string& to);
  // Pretends the rename; the new name is then the run's.
  void Rename(const std::string& from, const std::string& to);
  void Remove(const std::string& path);
  // A real rename took the name. Only kept: the names are looked up (and hashed) only when a
  // rename fails on a taken name, which a run of a warm folder, at a few system calls a file,
  // should not pay for on every file.
  void Took(std::string path) { TakenList_.push_back(std::move(path)); }
  // Whether the run took the name, in other letter case too where the folder ignores case.
  bool TakenByRun(const std::string& path);
  void Reserve(size_t count) { TakenList_.reserve(count); }

 private:
  // The path as the folder's file system tells names apart.
  std::string Key(const std::string& path);
  bool IgnoresCase(const std::string& folder);
  std::unordered_map<std::string, bool> IgnoresCase_;  // by folder, asked once
  std::unordered_set<std::string> Added_, Removed_;    // keys
  std::vector<std::string> TakenList_;
  size_t TakenListed_ = 0;  // of TakenList_, the names already in the sets below
  std::unordered_set<std::string> Taken_, TakenUpper_;
};

}  // namespace tunaro::engine
