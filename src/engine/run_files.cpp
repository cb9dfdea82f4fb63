#include "engine/run_files.h"

#include "platform/ascii.h"

#include <cerrno>

#include "engine/name_builder.h"
#include "platform/codec.h"

namespace tunaro::engine {

using platform::TIoError;

namespace {

std::string DateTimeText(const platform::TDateTimeTexts& now) {
  return now.ShortDate + " " + now.LongTime;
}

// A line made of UTF-8 literals and file system bytes, as it goes into the file: all GBK, or
// all as it stands when GBK cannot hold it exactly (see run_files.h).
// A path with a line break fails the run while a log is kept; its failure line shows the
// break as "?", as it cannot hold it.
std::string Line(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = '?';
  std::string gbk;
  return platform::Utf8ToGbkExactly(text, gbk) ? gbk : text;
}

}  // namespace

std::string RunFilesFolder(const std::string& desktopDir) {
  if (desktopDir.empty()) return "/";
  return desktopDir.back() == '/' ? desktopDir : desktopDir + "/";
}

std::string UndoBatchName(const platform::TDateTimeTexts& now, int number) {
  std::string stamp = now.ShortDate + "#" + now.LongTime;
  if (number > 1) stamp += "#" + std::to_string(number);
  for (char& c : stamp)
    if (c == ':' || c == '/' || c == '\\' || c == '*' || c == '?' || c == '"' || c == '<' ||
        c == '>' || c == '|' || c == '\0')
      c = '-';
  return "撤销自动改名(" + stamp + ").bat";
}

TIoError TRunLog::Open(const std::string& folder, const platform::TDateTimeTexts& now) {
  if (auto err = File_.Open(folder + kRunLogName, platform::TTextFile::TMode::AppendOrCreate))
    return err;
  if (auto err = File_.WriteLine("")) return err;
  if (auto err = File_.WriteLine(Line("执行日期时间：" + DateTimeText(now)))) return err;
  return File_.WriteLine(std::string(35, '-'));
}

TIoError TRunLog::Success(const std::string& oldPath, const std::string& newPath) {
  return File_.WriteLine(Line("成功：" + oldPath + " -> " + newPath));
}

TIoError TRunLog::FolderCodePage(const std::string& folder, const std::string& text) {
  return File_.WriteLine(Line(text + "：" + folder));
}

TIoError TRunLog::Failure(const std::string& oldPath, const std::string& newPath) {
  return File_.WriteLine(Line("失败：" + oldPath + " -> " + newPath));
}

TIoError TRunLog::Close(const platform::TDateTimeTexts& now, const std::string& extension,
                        int32_t total, int32_t success, int32_t failure) {
  const std::string ext = extension.empty() ? std::string() : extension.substr(1);
  File_.WriteLine(std::string(26, '-'));
  File_.WriteLine(Line("完成时间：" + DateTimeText(now)));
  File_.WriteLine(Line("总共找到" + ext + "文件：" + std::to_string(total) + " 个"));
  File_.WriteLine(Line("成功换名：" + std::to_string(success) + " 个"));
  File_.WriteLine(Line("换名失败：" + std::to_string(failure) + " 个"));
  return File_.Close();
}

namespace {

// A line of a command and a path or two, as it goes into the undo file: GBK when GBK holds
// it exactly, else as it stands with the command in upper case (see run_files.h).
std::string CommandLine(const std::string& command, const std::string& text) {
  std::string gbk;
  if (platform::Utf8ToGbkExactly(command + text, gbk)) return gbk;
  return platform::AsciiUpper(command) + text;
}

}  // namespace

std::string UndoLine(const std::string& oldPath, const std::string& newPath) {
  return CommandLine("ren", " \"" + newPath + "\" \"" + ExtractFileName(oldPath) + "\"");
}

std::string ReadOnlyLine(const std::string& oldPath) {
  return CommandLine("attrib", " +r \"" + oldPath + "\"");
}

// The first free name of the run's time, taken by creating the file: two runs in the same
// second get two files.
TIoError TUndoBatch::Open(const std::string& folder, const platform::TDateTimeTexts& now) {
  TIoError err;
  for (int number = 1; number <= 1000; ++number) {
    Path_ = folder + UndoBatchName(now, number);
    err = File_.Open(Path_, platform::TTextFile::TMode::CreateNew);
    if (err.Errno != EEXIST) break;
  }
  if (err) return err;
  return File_.WriteLine(Line("rem 执行日期时间：" + DateTimeText(now)));
}

TIoError TUndoBatch::Renaming(const std::string& oldPath, const std::string& newPath,
                              bool readOnly) {
  std::string lines = UndoLine(oldPath, newPath) + "\r\n";
  if (readOnly) lines += ReadOnlyLine(oldPath) + "\r\n";
  const uint64_t before = File_.Size();
  const TIoError err = File_.Write(lines);
  LineBytes_ = File_.Size() - before;
  if (err && File_.IsOpen() && LineBytes_ > 0) File_.TakeBack(LineBytes_);
  return err;
}

TIoError TUndoBatch::Refused() {
  return File_.TakeBack(LineBytes_);
}

TIoError TUndoBatch::Close() {
  File_.WriteLine(Line("rem 操作完成"));
  return File_.Close();
}

}  // namespace tunaro::engine
