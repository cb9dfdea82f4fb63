// The run log (one file that grows by a section per run) and the undo batch file (a new
// file of "ren" commands per run), both with CR LF line ends, in the desktop folder.
//
// Each line is GBK when GBK holds every character of it exactly, and otherwise the whole
// line stands as it is (the file system's bytes, the literals in UTF-8): never a GBK path
// beside a raw one in the same line. That alone is not one to one: 枚.mp3 in GBK and ö.mp3
// in UTF-8 are the same bytes (C3 B6), and with a new path of plain ASCII the file system
// cannot tell them apart either. So an undo line kept as it stands says `REN` instead of
// `ren` (cmd.exe ignores the case of commands); the reader also weighs the new path.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/fs.h"

namespace tunaro::engine {

inline constexpr const char* kRunLogName = "自动改名运行记录.txt";

// The folder the files go into: the desktop folder with a "/" added; "/" when it is empty.
std::string RunFilesFolder(const std::string& desktopDir);

// "撤销自动改名(" date "#" time ").bat", the time's ":" turned into "-", and every other
// character a file name may not hold turned into "-" as well. A number past 1 goes behind
// the time: "#2", "#3", ..., for a run that finds the name taken.
std::string UndoBatchName(const platform::TDateTimeTexts& now, int number = 1);

class TRunLog {
 public:
  // Appends to the log (creating it) and writes the section header.
  platform::TIoError Open(const std::string& folder, const platform::TDateTimeTexts& now);
  platform::TIoError Success(const std::string& oldPath, const std::string& newPath);
  platform::TIoError Failure(const std::string& oldPath, const std::string& newPath);
  // How the folder's legacy tag texts are read, once per folder: "按 Big5 读取：FOLDER".
  platform::TIoError FolderCodePage(const std::string& folder, const std::string& text);
  // Writes the summary and closes. `extension` is the current extension with its dot.
  platform::TIoError Close(const platform::TDateTimeTexts& now, const std::string& extension,
                           int32_t total, int32_t success, int32_t failure);
  bool IsOpen() const { return File_.IsOpen(); }

 private:
  platform::TTextFile File_;
};

// The undo file's line for one rename, as it goes into the file.
std::string UndoLine(const std::string& oldPath, const std::string& newPath);
// The line after it that makes the file read-only again: `attrib +r "old path"`, all GBK or
// all as it stands (then `ATTRIB`), as the ren line.
std::string ReadOnlyLine(const std::string& oldPath);

class TUndoBatch {
 public:
  // Creates the run's own file: a name no other file has, made exclusively, so that no
  // other run writes to it, nor this run to another's.
  platform::TIoError Open(const std::string& folder, const platform::TDateTimeTexts& now);
  // `ren "new path" "old name"`: the file by its new full path, the old name without folder;
  // for a read-only file followed by its ReadOnlyLine. Written for a rename about to be made,
  // and in the file (handed to the kernel) before the rename: a process killed in between
  // leaves a line whose new path names no file, which the reader skips, rather than a renamed
  // file no line knows. Lines a write error cut short are taken back.
  platform::TIoError Renaming(const std::string& oldPath, const std::string& newPath,
                              bool readOnly = false);
  // Takes the lines of the last Renaming back: the rename was refused. A run's undo file
  // then holds exactly the renames made.
  platform::TIoError Refused();
  platform::TIoError Close();
  bool IsOpen() const { return File_.IsOpen(); }
  const std::string& Path() const { return Path_; }

 private:
  platform::TTextFile File_;
  std::string Path_;
  uint64_t LineBytes_ = 0;  // what the last Renaming wrote
};

}  // namespace tunaro::engine
