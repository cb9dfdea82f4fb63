#include "engine/undo_replay.h"

#include <cerrno>
#include <iterator>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "engine/name_builder.h"
#include "engine/simulated_files.h"
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

// The line starts with the command (ASCII letter case ignored), then a blank or, where
// `alone` allows, its end.
bool StartsWithCommand(std::string_view line, std::string_view command, bool alone = false) {
  if (line.size() < command.size()) return false;
  for (size_t i = 0; i < command.size(); ++i)
    if ((line[i] | 0x20) != command[i]) return false;
  if (line.size() == command.size()) return alone;
  return line[command.size()] == ' ' || line[command.size()] == '\t';
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// `attrib +r "old path"` after the step's own ren line.
bool ParseReadOnly(std::string_view line, TUndoStep* step) {
  std::string_view rest = Trimmed(line.substr(6));
  if (step == nullptr || step->ReadOnly || rest.size() < 5 || (rest[0] != '+') ||
      (rest[1] | 0x20) != 'r')
    return false;
  rest = Trimmed(rest.substr(2));
  if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"') return false;
  const std::string_view path = rest.substr(1, rest.size() - 2);
  if (path != step->OldPath && GbkReading(path) != step->OldPath) return false;
  step->ReadOnly = true;
  return true;
}

// `ren "A" "B"`: nothing inside the quotes is escaped, so every `" "` is a possible split
// (a GBK trail byte is never '"' or ' ', so splitting the bytes splits the characters).
//
// The writer puts a line out in GBK when GBK holds it exactly, else as it stands and then
// with `REN` for `ren`. The command's spelling says which reading comes first; the file
// system settles the rest (older files, hand-made lines, splits): of every split and reading
// the first whose new path holds a file wins; failing that, the first whose old path exists (a
// line whose rename never happened, which the replay skips); failing that, the first.
// After the two whole-line readings come the two with one text GBK and the other as it
// stands, as undo files written before the per-line rule may hold. A reading whose new path
// holds a folder or a device is none: when no other one holds a file, the line is refused.
bool ParseRen(std::string_view line, TUndoStep& step, TLineFault& fault) {
  fault = TLineFault::NotACommand;
  const std::string_view rest = Trimmed(line.substr(4));
  if (rest.size() < 5 || rest.front() != '"' || rest.back() != '"') return false;
  const std::string_view inner = rest.substr(1, rest.size() - 2);
  const bool asItStands = line.substr(0, 3) == "REN";
  int bestScore = -1;
  bool relative = false, leaves = false, notAFile = false;
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
      if (newPath.empty()) continue;
      relative |= newPath[0] != '/';
      leaves |=
          !oldName.empty() && !UsableOldName(oldName) && oldName.find('\0') == std::string::npos;
      if (newPath[0] != '/' || !UsableOldName(oldName)) continue;
      bool seen = false;  // the same texts as an earlier reading: ASCII, or a text read alike
      for (size_t q = 0; q < r && !seen; ++q)
        seen = *readings[q].first == newPath && *readings[q].second == oldName;
      if (seen) continue;
      if (platform::IsFolderOrSpecial(newPath)) {
        notAFile = true;
        continue;
      }
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
  if (notAFile) {
    fault = TLineFault::NotAFile;
    return false;
  }
  if (bestScore >= 0) return true;
  fault = leaves     ? TLineFault::LeavesFolder
          : relative ? TLineFault::RelativePath
                     : TLineFault::NotACommand;
  return false;
}

// Whether each step's file is under its old name already, or a killed rename left something
// at its new name; found before anything changes (see ReplayUndoBatch).
struct TStepState {
  bool Back = false;
  platform::TRenameLeftover Leftover = platform::TRenameLeftover::None;
};

// Empty when the progress stopped it.
std::vector<TStepState> StatesBeforeReplay(const TUndoBatchContent& batch,
                                           const TUndoProgress& progress) {
  std::vector<TStepState> states(batch.Steps.size());
  std::unordered_set<std::string> back;  // old paths that hold their step's file
  const size_t total = 2 * batch.Steps.size();
  for (size_t i = 0; i < batch.Steps.size(); ++i) {
    if (i % 64 == 63 && progress && !progress(i, total)) return {};
    const TUndoStep& step = batch.Steps[i];
    TStepState& state = states[i];
    state.Leftover = platform::FindRenameLeftover(step.OldPath, step.NewPath);
    // An empty file is a placeholder only where the run stopped: an ended run removed its own.
    const bool stopped = i + 1 == batch.Steps.size() && !batch.Closed;
    if (state.Leftover == platform::TRenameLeftover::EmptyFile && !stopped)
      state.Leftover = platform::TRenameLeftover::None;
    state.Back = state.Leftover == platform::TRenameLeftover::None &&
                 platform::FileExists(step.OldPath) &&
                 (back.count(step.NewPath) || !platform::FileExists(step.NewPath));
    if (state.Back || state.Leftover != platform::TRenameLeftover::None) back.insert(step.OldPath);
  }
  return states;
}

// Where a crash left a file on its way to another spelling of its own name; "" when nowhere.
std::string CaseRenameLeftover(const std::string& oldPath) {
  for (int attempt = 0; attempt < platform::kCaseRenameAttempts; ++attempt) {
    std::string temporary = platform::CaseRenameTemporary(oldPath, attempt);
    const int32_t attributes = platform::GetOwnAttributes(temporary);
    if (attributes != -1 && (attributes & platform::faArchive)) return temporary;
  }
  return {};
}

}  // namespace

bool HasUndoBatchHeader(std::string_view head) {
  static const std::string kHeader = "rem 执行日期时间：";
  static const std::string kHeaderGbk = platform::Utf8ToGbk(kHeader);
  for (const std::string& header : {kHeaderGbk, kHeader})
    if (head.size() >= header.size() && StartsWithCommand(head, "rem") &&
        head.substr(3, header.size() - 3) == std::string_view(header).substr(3))
      return true;
  return false;
}

TUndoBatchContent ParseUndoBatch(std::string_view bytes, const TUndoProgress& progress) {
  TUndoBatchContent batch;
  const bool lastLineCut = !bytes.empty() && bytes.back() != '\n';
  const size_t total = bytes.size();
  size_t lineNumber = 0;
  bool afterRen = false;  // the line before was a step's, which an attrib line may follow
  while (!bytes.empty()) {
    if (++lineNumber % 64 == 0 && progress && !progress(total - bytes.size(), total)) break;
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string_view trimmed = line;
    while (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.front() == '\t'))
      trimmed.remove_prefix(1);
    if (trimmed.empty()) continue;
    if (StartsWithCommand(trimmed, "rem", true)) {
      afterRen = false;
      // The closing line is the last `rem` after the commands; a later section (a second run
      // appended within the same second) opens again with its own `rem`.
      batch.Closed = trimmed.find(platform::Utf8ToGbk("操作完成")) != std::string_view::npos;
      continue;
    }
    TUndoStep step;
    step.LineNumber = lineNumber;
    TLineFault fault = TLineFault::NotACommand;
    if (StartsWithCommand(trimmed, "ren") && ParseRen(trimmed, step, fault)) {
      batch.Steps.push_back(std::move(step));
      batch.Closed = false;
      afterRen = true;
      continue;
    }
    if (!StartsWithCommand(trimmed, "attrib") ||
        !ParseReadOnly(trimmed, afterRen ? &batch.Steps.back() : nullptr)) {
      batch.BadLines.push_back(lineNumber);
      batch.BadLineFaults.push_back(fault);
    }
    afterRen = false;
  }
  // A run that was stopped while writing a line (a kill can cut a write where it crosses a
  // page) leaves that line without its end. Each line is written before its rename, so the
  // rename of a cut line never happened: there is nothing to undo.
  if (lastLineCut && !batch.Closed) {
    if (!batch.BadLines.empty() && batch.BadLines.back() == lineNumber) {
      batch.BadLines.pop_back();
      batch.BadLineFaults.pop_back();
    }
    if (!batch.Steps.empty() && batch.Steps.back().LineNumber == lineNumber) batch.Steps.pop_back();
  }
  return batch;
}

size_t ReplayUndoBatch(const TUndoBatchContent& batch, bool dryRun,
                       const std::function<void(const TUndoOutcome&)>& done,
                       const TUndoProgress& progress) {
  TSimulatedFiles dry;
  platform::ForgetFileSystemAbilities();
  auto exists = [&](const std::string& path) {
    return dryRun ? dry.Exists(path) : platform::FileExists(path);
  };
  // Asked once per folder, so that the dry run answers as the replay does.
  std::unordered_map<std::string, int> writable;
  auto folderWritable = [&](const std::string& path) {
    const auto [at, added] = writable.try_emplace(ExtractFilePath(path), 0);
    if (added) at->second = platform::FolderWritable(at->first);
    return at->second;
  };
  const std::vector<TStepState> states = StatesBeforeReplay(batch, progress);
  if (states.size() != batch.Steps.size()) return 0;
  const size_t total = 2 * batch.Steps.size();
  size_t failed = 0;
  for (size_t i = batch.Steps.size(); i-- > 0;) {
    if (i % 64 == 63 && progress && !progress(total - i, total)) break;
    const TUndoStep& step = batch.Steps[i];
    const TStepState& state = states[i];
    int err = 0;
    bool skipped = true;
    if (state.Leftover != platform::TRenameLeftover::None) {
      err = folderWritable(step.NewPath);
      if (err == 0 && dryRun)
        dry.Remove(step.NewPath);
      else if (err == 0)
        err = platform::RemoveRenameLeftover(step.OldPath, step.NewPath, state.Leftover);
    } else if (!state.Back && (exists(step.NewPath) || !exists(step.OldPath))) {
      skipped = false;
      std::string from = step.NewPath;
      if (!exists(from) && !exists(step.OldPath)) {
        const std::string temporary = CaseRenameLeftover(step.OldPath);
        if (!temporary.empty()) from = temporary;
      }
      // Only files are renamed back: a folder put in the file's place since is left alone.
      if (exists(from) && (err = folderWritable(from)) == 0 && platform::IsFolderOrSpecial(from))
        err = EISDIR;
      if (err == 0)
        err = dryRun ? dry.CanRename(from, step.OldPath)
                     : platform::RenameNoReplace(from, step.OldPath);
      if (dryRun && err == 0) dry.Rename(from, step.OldPath);
    }
    if (err == 0 && step.ReadOnly && !dryRun)
      err = platform::SetAttributes(step.OldPath, platform::faReadOnly);
    if (err != 0) ++failed;
    done({step, err, skipped && err == 0});
  }
  return failed;
}

}  // namespace tunaro::engine
