#include "engine/undo_replay.h"

#include <cerrno>
#include <iterator>
#include <unordered_set>
#include <utility>

#include "engine/name_builder.h"
#include "platform/codec.h"
#include "platform/fs.h"
#include "platform/fs_calls.h"

namespace tunaro::engine {

namespace {

// A text of a `ren` line read as GBK: only when the bytes are GBK that converts back to
// the same bytes, else empty.
std::string GbkReading(std::string_view bytes) {
  std::string utf8 = platform::GbkToUtf8(bytes);
  if (platform::Utf8ToGbk(utf8) != bytes) return {};
  return utf8;
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

// `ren "A" "B"`: nothing inside the quotes is escaped, so every `" "` is a possible split
// (a GBK trail byte is never '"' or ' ', so splitting the bytes splits the characters).
//
// The writer puts a line out in GBK when GBK holds it exactly, else as it stands and then
// with `REN` for `ren`. The command's spelling says which reading comes first; the file
// system settles the rest (older files, hand-made lines, splits): of every split and reading
// the first whose new path exists wins; failing that, the first whose old path exists (a
// line whose rename never happened, which the replay skips); failing that, the first.
// After the two whole-line readings come the two with one text GBK and the other as it
// stands, as undo files written before the per-line rule may hold.
bool ParseRen(std::string_view line, TUndoStep& step) {
  std::string_view rest = line.substr(4);
  while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
  while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
  if (rest.size() < 5 || rest.front() != '"' || rest.back() != '"') return false;
  const std::string_view inner = rest.substr(1, rest.size() - 2);
  const bool asItStands = line.substr(0, 3) == "REN";
  int bestScore = -1;
  for (size_t p = inner.find("\" \""); p != std::string_view::npos;
       p = inner.find("\" \"", p + 1)) {
    const std::string_view newText = inner.substr(0, p);
    const std::string_view oldText = inner.substr(p + 3);
    if (newText.empty()) continue;
    const std::string newGbk = GbkReading(newText);
    const std::string oldGbk = GbkReading(oldText);
    const std::string newRaw(newText), oldRaw(oldText);
    std::pair<const std::string*, const std::string*> readings[] = {
        {&newGbk, &oldGbk}, {&newRaw, &oldRaw}, {&newGbk, &oldRaw}, {&newRaw, &oldGbk}};
    if (asItStands) std::swap(readings[0], readings[1]);
    for (size_t r = 0; r < std::size(readings); ++r) {
      const std::string& newPath = *readings[r].first;
      const std::string& oldName = *readings[r].second;
      if (newPath.empty() || !UsableOldName(oldName)) continue;
      bool seen = false;  // the same texts as an earlier reading: ASCII, or a text read alike
      for (size_t q = 0; q < r && !seen; ++q)
        seen = *readings[q].first == newPath && *readings[q].second == oldName;
      if (seen) continue;
      const std::string oldPath = ExtractFilePath(newPath) + oldName;
      const int score = platform::FileExists(newPath) ? 2 : platform::FileExists(oldPath) ? 1 : 0;
      if (score > bestScore) {
        bestScore = score;
        step.NewPath = newPath;
        step.OldPath = oldPath;
        if (score == 2) return true;
      }
    }
  }
  return bestScore >= 0;
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
    // A real file under another spelling of its own name is not in the way.
    if (Exists(to) &&
        (Added_.count(to) || Added_.count(from) || !platform::IsCaseOnlyRename(from, to)))
      return EEXIST;
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
  const bool lastLineCut = !bytes.empty() && bytes.back() != '\n';
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
  // A run that was stopped while writing a line (a kill can cut a write where it crosses a
  // page) leaves that line without its end. Each line is written before its rename, so the
  // rename of a cut line never happened: there is nothing to undo.
  if (lastLineCut && !batch.Closed) {
    if (!batch.BadLines.empty() && batch.BadLines.back() == lineNumber) batch.BadLines.pop_back();
    if (!batch.Steps.empty() && batch.Steps.back().LineNumber == lineNumber) batch.Steps.pop_back();
  }
  return batch;
}

size_t ReplayUndoBatch(const TUndoBatchContent& batch, bool dryRun,
                       const std::function<void(const TUndoOutcome&)>& done) {
  TDryFiles dry;
  platform::ForgetFileSystemAbilities();
  auto exists = [&](const std::string& path) {
    return dryRun ? dry.Exists(path) : platform::FileExists(path);
  };
  size_t failed = 0;
  for (auto it = batch.Steps.rbegin(); it != batch.Steps.rend(); ++it) {
    if (!exists(it->NewPath) && exists(it->OldPath)) {
      done({*it, 0, true});
      continue;
    }
    const int err = dryRun ? dry.Rename(it->NewPath, it->OldPath)
                           : platform::RenameNoReplace(it->NewPath, it->OldPath);
    if (err != 0) ++failed;
    done({*it, err, false});
  }
  return failed;
}

}  // namespace tunaro::engine
