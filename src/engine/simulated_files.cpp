#include "engine/simulated_files.h"

#include <cerrno>

#include "engine/name_builder.h"
#include "platform/fs.h"

namespace tunaro::engine {

namespace {

// Only a name with letters (ASCII, or any character beyond it) has other spellings.
bool MayHaveCase(std::string_view name) {
  for (const unsigned char c : name)
    if (c >= 0x80 || static_cast<unsigned>((c | 0x20) - 'a') < 26) return true;
  return false;
}

std::string UpperCasePath(const std::string& path) {
  return ExtractFilePath(path) + platform::UpperCaseName(ExtractFileName(path));
}

}  // namespace

bool TSimulatedFiles::IgnoresCase(const std::string& folder) {
  const auto [at, added] = IgnoresCase_.try_emplace(folder, false);
  if (added) at->second = platform::FolderIgnoresCase(folder);
  return at->second;
}

std::string TSimulatedFiles::Key(const std::string& path) {
  const std::string folder = ExtractFilePath(path);
  if (!MayHaveCase(ExtractFileName(path)) || !IgnoresCase(folder)) return path;
  return UpperCasePath(path);
}

bool TSimulatedFiles::Exists(const std::string& path) {
  const std::string key = Key(path);
  if (Added_.count(key)) return true;
  if (Removed_.count(key)) return false;
  return platform::FileExists(path);
}

int TSimulatedFiles::CanRename(const std::string& from, const std::string& to) {
  if (!Exists(from)) return ENOENT;
  if (from != to && Key(from) != Key(to) && Exists(to)) return EEXIST;
  return 0;
}

void TSimulatedFiles::Rename(const std::string& from, const std::string& to) {
  if (from == to) return;
  Remove(from);
  const std::string key = Key(to);
  Removed_.erase(key);
  Added_.insert(key);
  Took(to);
}

void TSimulatedFiles::Remove(const std::string& path) {
  const std::string key = Key(path);
  Added_.erase(key);
  Removed_.insert(key);
}

bool TSimulatedFiles::TakenByRun(const std::string& path) {
  for (; TakenListed_ < TakenList_.size(); ++TakenListed_) {
    Taken_.insert(TakenList_[TakenListed_]);
    TakenUpper_.insert(UpperCasePath(TakenList_[TakenListed_]));
  }
  return Taken_.count(path) ||
         (TakenUpper_.count(UpperCasePath(path)) && IgnoresCase(ExtractFilePath(path)));
}

}  // namespace tunaro::engine
