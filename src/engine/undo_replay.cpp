#include "engine/undo_replay.h"

#include <cerrno>
#include <unordered_set>

#include "engine/name_builder.h"
#include "platform/codec.h"
#include "platform/fs.h"

namespace tunaro::engine {

namespace {

bool IsAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// The writer converts a path to GBK only when the conversion loses nothing; otherwise it
// keeps the bytes. So: bytes that are valid UTF-8 yet would lose characters in GBK were
// kept; bytes that are clean GBK were converted; anything else was kept.
std::string DecodeText(std::string_view bytes) {
  if (IsAscii(bytes)) return std::string(bytes);
  if (platform::IsValidUtf8(bytes) && platform::GbkToUtf8(platform::Utf8ToGbk(bytes)) != bytes)
    return std::string(bytes);
  std::string utf8 = platform::GbkToUtf8(bytes);
  if (platform::Utf8ToGbk(utf8) == bytes) return utf8;
  return std::string(bytes);
}

// The file a new-path text names: the decoded text, or the bytes as they stand when only
// those name an existing file.
std::string ResolveNewPath(std::string_view bytes) {
  std::string decoded = DecodeText(bytes);
  if (decoded != bytes && !platform::FileExists(decoded) &&
      platform::FileExists(std::string(bytes)))
    return std::string(bytes);
  return decoded;
}

bool UsableOldName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

bool StartsWithRen(std::string_view line) {
  if (line.size() < 4) return false;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  return lower(line[0]) == 'r' && lower(line[1]) == 'e' && lower(line[2]) == 'n' &&
         (line[3] == ' ' || line[3] == '\t');
}

bool IsRemark(std::string_view line) {
  if (line.size() < 3) return false;
  auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
  return lower(line[0]) == 'r' && lower(line[1]) == 'e' && lower(line[2]) == 'm' &&
         (line.size() == 3 || line[3] == ' ' || line[3] == '\t');
}

// `ren "A" "B"`: nothing inside the quotes is escaped, so every `" "` is a possible split.
bool ParseRen(std::string_view line, TUndoStep& step) {
  std::string_view rest = line.substr(4);
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
  if (rest.size() < 5 || rest.front() != '"' || rest.back() != '"') return false;
  const std::string_view inner = rest.substr(1, rest.size() - 2);
  bool found = false;
  for (size_t p = inner.find("\" \""); p != std::string_view::npos;
       p = inner.find("\" \"", p + 1)) {
    const std::string_view newText = inner.substr(0, p);
    const std::string_view oldText = inner.substr(p + 3);
    if (newText.empty()) continue;
    const std::string oldName = DecodeText(oldText);
    if (!UsableOldName(oldName)) continue;
    const std::string newPath = ResolveNewPath(newText);
    const bool exists = platform::FileExists(newPath);
    if (!found || exists) {
      step.NewPath = newPath;
      step.OldPath = ExtractFilePath(newPath) + oldName;
      found = true;
      if (exists) break;
    }
  }
  return found;
}

// The file system as a dry run sees it: the real one, with the simulated renames applied.
class TDryFiles {
 public:
  bool Exists(const std::string& path) const {
    if (Added_.count(path)) return true;
    if (Removed_.count(path)) return false;
    return platform::FileExists(path);
  }
  int Rename(const std::string& from, const std::string& to) {
    if (!Exists(from)) return ENOENT;
    if (from == to) return 0;
    if (Exists(to)) return EEXIST;
    Added_.erase(from);
    Removed_.insert(from);
    Removed_.erase(to);
    Added_.insert(to);
    return 0;
  }

 private:
  std::unordered_set<std::string> Added_, Removed_;
};

}  // namespace

TUndoBatchContent ParseUndoBatch(std::string_view bytes) {
  TUndoBatchContent batch;
  size_t lineNumber = 0;
  while (!bytes.empty()) {
    ++lineNumber;
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view trimmed = line;
    while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t'))
      trimmed.remove_prefix(1);
    if (trimmed.empty()) continue;
    if (IsRemark(trimmed)) {
      // The closing line is the last `rem` after the commands; a later section (a second run
      // appended within the same second) opens again with its own `rem`.
      batch.Closed = trimmed.find(platform::Utf8ToGbk("操作完成")) != std::string_view::npos;
      continue;
    }
    TUndoStep step;
    step.LineNumber = lineNumber;
    if (StartsWithRen(trimmed) && ParseRen(trimmed, step)) {
      batch.Steps.push_back(std::move(step));
      batch.Closed = false;
    } else {
      batch.BadLines.push_back(lineNumber);
    }
  }
  return batch;
}

size_t ReplayUndoBatch(const TUndoBatchContent& batch, bool dryRun,
                       const std::function<void(const TUndoOutcome&)>& done) {
  TDryFiles dry;
  size_t failed = 0;
  for (auto it = batch.Steps.rbegin(); it != batch.Steps.rend(); ++it) {
    const int err = dryRun ? dry.Rename(it->NewPath, it->OldPath)
                           : platform::RenameNoReplace(it->NewPath, it->OldPath);
    if (err != 0) ++failed;
    done({*it, err});
  }
  return failed;
}

}  // namespace tunaro::engine
