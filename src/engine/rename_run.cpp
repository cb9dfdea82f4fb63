#include "engine/rename_run.h"

#include <unordered_set>

#include "engine/name_builder.h"
#include "engine/read_ahead.h"
#include "engine/run_files.h"
#include "platform/fs.h"
#include "tags/file_reader.h"

namespace tunaro::engine {

using platform::TIoError;

std::string BuildNewPath(const std::string& oldPath, const std::string& tmpl,
                         const TFieldValues& values) {
  std::string name = ExpandTemplate(tmpl, values);
  FilterIllegalChars(name);
  return ExtractFilePath(oldPath) + name + ExtractFileExt(oldPath);
}

namespace {

// A dry run answers as the rename would: a taken name fails, including one an earlier file
// of the same run would have taken.
class TDryRenamer {
 public:
  bool Rename(const std::string& oldPath, const std::string& newPath) {
    if (oldPath == newPath) return platform::FileExists(oldPath);
    if (platform::FileExists(newPath) || Claimed_.count(newPath)) return false;
    Claimed_.insert(newPath);
    return true;
  }

 private:
  std::unordered_set<std::string> Claimed_;
};

}  // namespace

TIoError RenameRun(TEngineHost& host, TReaders& readers, const TRunSettings& settings) {
  TRunState& state = host.State();
  TCounters& c = state.Counters;
  TFileList& list = host.Entries();
  c.Total = static_cast<int32_t>(list.Count());
  c.Success = c.Failure = c.Progress = 0;
  host.CounterDisplayRefresh();

  const bool keepLog = settings.KeepLog && !settings.DryRun;
  const bool makeUndo = settings.CreateUndoBatch && !settings.DryRun;
  const std::string folder = RunFilesFolder(host.DesktopDir());
  TRunLog log;
  TUndoBatch undo;
  TDryRenamer dry;
  TIoError error;
  if (keepLog) error = log.Open(folder, settings.Clock());
  if (!error && makeUndo) error = undo.Open(folder, settings.Clock());

  const std::string noPath;
  TFieldValues values;
  TReadAhead readAhead(list, settings.ReadAheadThreads, settings.ReadAheadWindow);
  // The total, the entry and its check mark are read anew in every pass: the list may be
  // replaced while the counter display lets other events run.
  for (int32_t i = 0; !error && i < c.Total; ++i) {
    c.Progress =
        static_cast<int32_t>((static_cast<int64_t>(c.Success) + c.Failure) * 100 / c.Total);
    host.CounterDisplayRefresh();
    readAhead.Advance(static_cast<size_t>(i));
    if (static_cast<size_t>(i) >= list.Count() || !list.Checked(static_cast<size_t>(i))) continue;
    const std::string oldPath = list.Path(static_cast<size_t>(i));
    const std::string ext = ExtractFileExt(oldPath);
    state.CurrentExtension = ext;

    // A file whose tag gives nothing for any placeholder of the template gets no name: a
    // name made of the separators alone says nothing and takes the next file's place.
    if (!ReadFieldValues(readers, ReaderForExtension(ext), oldPath, settings.CodePage, values) ||
        EveryPlaceholderEmpty(settings.Template, values)) {
      ++c.Failure;
      host.FileDone({oldPath, noPath, false});
      if (keepLog) error = log.Failure(oldPath, noPath);
      continue;
    }
    const std::string newPath = BuildNewPath(oldPath, settings.Template, values);

    // A read-only flag that cannot be cleared fails the file; a dry run asks whether it could.
    int32_t attr = tags::LastOpenedAttributes(oldPath);
    if (attr == -1) attr = platform::GetOwnAttributes(oldPath);
    if (attr != -1 && (attr & platform::faReadOnly) &&
        (settings.DryRun ? platform::AttributesChangeable(oldPath) != 0
                         : platform::SetAttributes(oldPath, attr & ~platform::faReadOnly) != 0)) {
      ++c.Failure;  // no log line for this one
      host.FileDone({oldPath, newPath, false});
      continue;
    }

    // The undo line goes to the file before the rename and is taken back if the rename is
    // refused: whenever the process stops, every renamed file has its line. A name already
    // taken gets no line at all (asked only when an undo line is written: the rename itself
    // never replaces a file), which leaves only a rare race (another process taking the
    // name just then) where a kill could leave a line naming another file; the replay then
    // refuses it, as it never replaces. The log line follows the rename: it reports what
    // happened.
    const bool taken = makeUndo && newPath != oldPath && platform::FileExists(newPath);
    bool undoLine = false;
    if (makeUndo && !taken) {
      error = undo.Renaming(oldPath, newPath);
      if (error) break;  // no rename that no line could undo
      undoLine = true;
    }
    const bool renamed = settings.DryRun
                             ? dry.Rename(oldPath, newPath)
                             : !taken && platform::RenameNoReplace(oldPath, newPath) == 0;
    if (renamed) {
      ++c.Success;
      host.FileDone({oldPath, newPath, true});
      if (keepLog) error = log.Success(oldPath, newPath);
    } else {
      ++c.Failure;
      host.FileDone({oldPath, newPath, false});
      if (undoLine) error = undo.Refused();
      if (keepLog) {
        const TIoError logError = log.Failure(oldPath, newPath);
        if (!error) error = logError;
      }
    }
  }
  readAhead.Stop();
  if (!error) {
    c.Progress = 100;
    host.CounterDisplayRefresh();
  }
  // The closing lines go to each file that was opened, also after an error.
  if (log.IsOpen()) {
    const TIoError closeError =
        log.Close(settings.Clock(), state.CurrentExtension, c.Total, c.Success, c.Failure);
    if (!error) error = closeError;
  }
  if (undo.IsOpen()) {
    const TIoError closeError = undo.Close();
    if (!error) error = closeError;
  }
  return error;
}

}  // namespace tunaro::engine
