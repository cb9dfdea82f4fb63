#include "engine/rename_run.h"

#include <cerrno>
#include <functional>
#include <tuple>
#include <unordered_map>

#include "engine/folder_code_pages.h"
#include "engine/name_builder.h"
#include "engine/read_ahead.h"
#include "engine/run_files.h"
#include "engine/simulated_files.h"
#include "platform/fs.h"
#include "platform/fs_calls.h"

namespace tunaro::engine {

using platform::TIoError;

std::string BuildNewPath(const std::string& oldPath, const std::string& tmpl,
                         const TFieldValues& values) {
  std::string name = ExpandTemplate(tmpl, values);
  FilterIllegalChars(name);
  return ExtractFilePath(oldPath) + name + ExtractFileExt(oldPath);
}

std::string FailReasonText(TFailReason reason, int err) {
  switch (reason) {
    case TFailReason::None:
      return {};
    case TFailReason::NoReader:
      return "不支持此扩展名的文件";
    case TFailReason::NoTagData:
      return "没有标签信息";
    case TFailReason::EmptyFields:
      return "模板用到的标签项全部为空";
    case TFailReason::Undecodable:
      return "标签文字无法按所选编码解读（请试试 处理设置 → 标签编码）";
    case TFailReason::ReadOnly:
      return "只读属性无法去除";
    case TFailReason::NameTooLong:
      return "新文件名太长（超过 " + std::to_string(kMaxNameBytes) + " 字节）";
    case TFailReason::EmptyName:
      return "新文件名在扩展名前是空的";
    case TFailReason::NameTaken:
      return "已有同名文件";
    case TFailReason::NameTakenInRun:
      return "与前面的文件改成同名";
    case TFailReason::LineBreak:
      return "路径中含有换行符，无法写进运行记录或恢复列表";
    case TFailReason::FolderReadOnly:
      return "文件夹不可写";
    case TFailReason::Gone:
      return "文件已不在";
    case TFailReason::Refused:
      break;
  }
  return "改名被拒绝：" + platform::IoErrorText(err);
}

namespace {

// When the run's own reads say that reading ahead pays: at once for a read that waited for
// the disk, which RWF_NOWAIT tells for sure; after a few slow reads in a row, as over a
// network, where one alone may be no more than a busy moment of the machine.
class TColdReads {
 public:
  // Whether a read's time still tells anything: not once the read-ahead started, or where
  // there is none.
  bool Listening(const TReadAhead& readAhead) const {
    return !readAhead.Started() && readAhead.Threads() > 0;
  }
  // `own`: the run read it itself. A reader's read counts only when it waited for the disk:
  // the readers run below the run's priority, and a busy moment makes them slow.
  bool Noticed(const TTagRead& read, bool own) {
    if (own) SlowInARow_ = read.Slow ? SlowInARow_ + 1 : 0;
    return read.Waited || SlowInARow_ >= kSlowInARow;
  }

 private:
  static constexpr int kSlowInARow = 4;
  int SlowInARow_ = 0;
};

bool HasLineBreak(const std::string& path) {
  return path.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

TIoError RenameRun(TEngineHost& host, TReaders&, const TRunSettings& settings, TRunStats* stats) {
  TRunState& state = host.State();
  TCounters& c = state.Counters;
  TFileList& list = host.Entries();
  c.Total = static_cast<int32_t>(list.Count());
  c.Success = c.Failure = c.Progress = 0;
  host.CounterDisplayRefresh();

  const bool keepLog = settings.KeepLog && !settings.DryRun;
  const bool makeUndo = settings.CreateUndoBatch && !settings.DryRun;
  // A line break in a path would break its line in the log or the undo file (and could make
  // a line of its own there): such a file fails while either is kept, in a dry run too.
  const bool linesKept = settings.KeepLog || settings.CreateUndoBatch;
  const std::string folder = RunFilesFolder(host.DesktopDir());
  TRunLog log;
  TUndoBatch undo;
  TSimulatedFiles names;
  names.Reserve(list.Count());
  TIoError error;
  platform::ForgetFileSystemAbilities();
  const platform::THeldFolders heldFolders;
  if (keepLog) error = log.Open(folder, settings.Clock());
  if (!error && makeUndo) error = undo.Open(folder, settings.Clock());

  // Whether this process may rename in a folder, asked of the system once per folder: the
  // preview and the real run then agree, and nothing is written or changed for a file that
  // cannot be renamed.
  std::unordered_map<std::string, int> folderWritable;
  std::unordered_map<std::string, int>::iterator lastFolder = folderWritable.end();
  const auto folderReadOnly = [&](const std::string& path) {
    // Files come folder by folder: the last folder's answer serves the next file.
    const std::string_view dir = std::string_view(path).substr(0, path.rfind('/') + 1);
    if (lastFolder == folderWritable.end() || lastFolder->first != dir) {
      bool added = false;
      std::tie(lastFolder, added) = folderWritable.try_emplace(std::string(dir), 0);
      if (added) lastFolder->second = platform::FolderWritable(std::string(dir));
    }
    return lastFolder->second != 0;
  };

  TFieldValues values;
  const unsigned placeholders = PlaceholdersIn(settings.Template);
  TReadAhead readAhead(list, settings.ReadAheadThreads, settings.ReadAheadWindow);
  TColdReads coldReads;
  if (settings.ReadAheadAtOnce)
    readAhead.Start(0);
  else
    readAhead.StartFew(0);
  // Under the automatic code page a folder's first file waits for the folder's judgement,
  // for which the run reads ahead what the read-ahead has not: kept here for their turn, and
  // used then if the file is still as it was read.
  TFolderCodePages folderCodePages(list, settings.CodePage);
  std::unordered_map<size_t, TTagRead> readEarly;
  // Made once: each would otherwise be wrapped anew, on the heap, for every file.
  const std::function<const TTagRead*(size_t)> readEntry = [&](size_t k) -> const TTagRead* {
    if (k >= list.Count()) return nullptr;
    const std::string path = list.Path(k);
    const TReaderKind kind = ReaderForExtension(ExtractFileExt(path));
    if (kind == TReaderKind::None) return nullptr;
    TTagRead& early = readEarly[k];
    const bool own = !readAhead.Take(k, path, early);
    if (own) early = ReadTag(kind, path, list.ListedRegular(k));
    if (coldReads.Noticed(early, own)) readAhead.Start(k);
    return &early;
  };
  const std::function<void(const std::string&, const platform::TFolderReading&, bool)>
      folderJudged = [&](const std::string& judged, const platform::TFolderReading& reading,
                         bool hasLegacyText) {
        const std::string text = FolderReadingText(reading, hasLegacyText);
        host.FolderCodePage(judged, reading, text);
        if (keepLog && !text.empty() && !error) error = log.FolderCodePage(judged, text);
      };
  // The total, the entry and its check mark are read anew in every pass: the list may be
  // replaced while the counter display lets other events run.
  bool stopped = false;
  for (int32_t i = 0; !error && i < c.Total; ++i) {
    c.Progress =
        static_cast<int32_t>((static_cast<int64_t>(c.Success) + c.Failure) * 100 / c.Total);
    host.CounterDisplayRefresh();
    if ((stopped = host.Stopping())) break;
    readAhead.Advance(static_cast<size_t>(i));
    if (static_cast<size_t>(i) >= list.Count() || !list.Checked(static_cast<size_t>(i))) continue;
    const std::string oldPath = list.Path(static_cast<size_t>(i));
    const std::string ext = ExtractFileExt(oldPath);
    state.CurrentExtension = ext;

    // A file whose tag gives nothing for any placeholder of the template gets no name: a
    // name made of the separators alone says nothing and takes the next file's place. Nor
    // does one whose text the code page cannot decode: its name would be garbage.
    const TReaderKind reader = ReaderForExtension(ext);
    TTagRead read;
    // A read made early for the folder's judgement is used as a read-ahead one is: while the
    // name still holds the file as it was read.
    const auto early = readEarly.find(static_cast<size_t>(i));
    bool own = false;
    if (early != readEarly.end() && early->second.Found && StillAsRead(early->second, oldPath))
      read = std::move(early->second);
    else if (reader != TReaderKind::None &&
             (own = !readAhead.Take(static_cast<size_t>(i), oldPath, read)))
      read = ReadTag(reader, oldPath, list.ListedRegular(static_cast<size_t>(i)),
                     coldReads.Listening(readAhead));
    // A read that waited says the folder is cold (or far away): reading ahead pays from here.
    if (coldReads.Noticed(read, own)) readAhead.Start(static_cast<size_t>(i));
    if (early != readEarly.end()) readEarly.erase(early);
    const bool found = read.Found;
    if (found)
      values =
          DecodeTagTexts(read.Texts, folderCodePages.ReadingFor(static_cast<size_t>(i), oldPath,
                                                                read, readEntry, folderJudged));
    int32_t attr = read.Attributes;
    TFailReason noName = TFailReason::None;
    if ((reader == TReaderKind::None || !found) && !platform::FileExists(oldPath))
      noName = TFailReason::Gone;
    else if (reader == TReaderKind::None)
      noName = TFailReason::NoReader;
    else if (!found)
      noName = TFailReason::NoTagData;
    else if (EveryPlaceholderEmpty(placeholders, values))
      noName = TFailReason::EmptyFields;
    else if (PlaceholderUndecodable(placeholders, values))
      noName = TFailReason::Undecodable;
    // Nor does a name of blanks alone: the extension would be left as a hidden name (".mp3").
    std::string newPath;
    if (noName == TFailReason::None) {
      newPath = BuildNewPath(oldPath, settings.Template, values);
      const std::string_view name = std::string_view(newPath).substr(newPath.rfind('/') + 1);
      if (name.find_first_not_of(' ') >= name.size() - ext.size()) noName = TFailReason::EmptyName;
    }
    if (noName != TFailReason::None) {
      ++c.Failure;
      host.FileDone({oldPath, newPath, false, noName});
      if (keepLog) error = log.Failure(oldPath, newPath);
      continue;
    }

    if (attr == -1) attr = platform::GetOwnAttributes(oldPath);
    const bool readOnly = attr != -1 && (attr & platform::faReadOnly);

    // What is known before anything changes. A name too long is refused by the run itself: a
    // dry run cannot ask the file system, and the two runs must answer alike. Whether the new
    // name is taken is otherwise asked by the rename alone, which never replaces a file: a
    // look of its own would be one more round trip on a network share, waiting for the
    // folder's lock as the rename does. It is asked first only where an undo line or a
    // read-only flag would otherwise be touched for nothing; that leaves only a rare race
    // (another process taking the name just then) where a kill could leave a line naming
    // another file, which the replay then refuses, as it never replaces.
    TFailReason reason = TFailReason::None;
    int err = 0;
    if (linesKept && (HasLineBreak(oldPath) || HasLineBreak(newPath)))
      reason = TFailReason::LineBreak;
    else if (newPath != oldPath && folderReadOnly(oldPath))
      reason = TFailReason::FolderReadOnly;
    else if (ExtractFileName(newPath).size() > kMaxNameBytes)
      err = ENAMETOOLONG;
    else if (settings.DryRun)
      err = names.CanRename(oldPath, newPath);
    else if ((makeUndo || readOnly) && newPath != oldPath && platform::FileExists(newPath) &&
             !platform::MayBeCaseOnlyRename(oldPath, newPath))
      err = EEXIST;

    bool undoLine = false;
    if (reason == TFailReason::None && err == 0 && settings.DryRun) {
      if (readOnly && platform::AttributesChangeable(oldPath) != 0)
        reason = TFailReason::ReadOnly;
      else
        names.Rename(oldPath, newPath);
    } else if (reason == TFailReason::None && err == 0) {
      // The undo line goes to the file before the rename and is taken back if the rename is
      // refused: whenever the process stops, every renamed file has its line. A read-only
      // flag is cleared only then, right before the rename, and put back if it is refused.
      if (makeUndo) {
        error = undo.Renaming(oldPath, newPath, readOnly);
        if (error) break;  // no rename that no line could undo
        undoLine = true;
      }
      if (readOnly && platform::SetAttributes(oldPath, attr & ~platform::faReadOnly) != 0)
        reason = TFailReason::ReadOnly;
      if (reason == TFailReason::None) {
        err = platform::RenameNoReplace(oldPath, newPath);
        if (err != 0 && readOnly) platform::SetAttributes(oldPath, attr);
        if (err == 0 && oldPath != newPath) names.Took(newPath);
      }
    }
    if (reason == TFailReason::None && err == 0) {
      ++c.Success;
      host.FileDone({oldPath, newPath, true});
      // The log line follows the rename: it reports what happened.
      if (keepLog) error = log.Success(oldPath, newPath);
      continue;
    }
    if (reason == TFailReason::None)
      reason = err == ENAMETOOLONG         ? TFailReason::NameTooLong
               : err != EEXIST             ? TFailReason::Refused
               : names.TakenByRun(newPath) ? TFailReason::NameTakenInRun
                                           : TFailReason::NameTaken;
    ++c.Failure;
    host.FileDone({oldPath, newPath, false, reason, err});
    if (undoLine) error = undo.Refused();
    if (keepLog && reason != TFailReason::ReadOnly) {  // no log line for that one
      const TIoError logError = log.Failure(oldPath, newPath);
      if (!error) error = logError;
    }
  }
  if (stats != nullptr) *stats = {readAhead.ThreadsStarted(), readAhead.Reads()};
  readAhead.Stop();
  if (!error && !stopped) {
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
