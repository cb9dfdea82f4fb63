#include "engine/run_files.h"

#include "engine/name_builder.h"
#include "platform/codec.h"

namespace tunaro::engine {

using platform::TIoError;
using platform::Utf8ToGbk;
using platform::Utf8ToGbkOrRaw;

namespace {

std::string DateTimeText(const platform::TDateTimeTexts& now) {
  return Utf8ToGbkOrRaw(now.ShortDate + " " + now.LongTime);
}

// Literals are written in the source as UTF-8 and go out as GBK.
std::string G(const char* literal) {
  return Utf8ToGbk(literal);
}

}  // namespace

std::string RunFilesFolder(const std::string& desktopDir) {
  if (desktopDir.empty()) return "/";
  return desktopDir.back() == '/' ? desktopDir : desktopDir + "/";
}

std::string UndoBatchName(const platform::TDateTimeTexts& now) {
  std::string stamp = now.ShortDate + "#" + now.LongTime;
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
  if (auto err = File_.WriteLine(G("执行日期时间：") + DateTimeText(now))) return err;
  return File_.WriteLine(std::string(35, '-'));
}

TIoError TRunLog::Success(const std::string& oldPath, const std::string& newPath) {
  return File_.WriteLine(G("成功：") + Utf8ToGbkOrRaw(oldPath) + " -> " + Utf8ToGbkOrRaw(newPath));
}

TIoError TRunLog::Failure(const std::string& oldPath, const std::string& newPath) {
  return File_.WriteLine(G("失败：") + Utf8ToGbkOrRaw(oldPath) + " -> " + Utf8ToGbkOrRaw(newPath));
}

TIoError TRunLog::Close(const platform::TDateTimeTexts& now, const std::string& extension,
                        int32_t total, int32_t success, int32_t failure) {
  const std::string ext = extension.empty() ? std::string() : extension.substr(1);
  File_.WriteLine(std::string(26, '-'));
  File_.WriteLine(G("完成时间：") + DateTimeText(now));
  File_.WriteLine(G("总共找到") + Utf8ToGbkOrRaw(ext) + G("文件：") + std::to_string(total) +
                  G(" 个"));
  File_.WriteLine(G("成功换名：") + std::to_string(success) + G(" 个"));
  File_.WriteLine(G("换名失败：") + std::to_string(failure) + G(" 个"));
  return File_.Close();
}

TIoError TUndoBatch::Open(const std::string& folder, const platform::TDateTimeTexts& now) {
  Path_ = folder + UndoBatchName(now);
  if (auto err = File_.Open(Path_, platform::TTextFile::TMode::AppendOrCreate)) return err;
  return File_.WriteLine(G("rem 执行日期时间：") + DateTimeText(now));
}

TIoError TUndoBatch::Renamed(const std::string& oldPath, const std::string& newPath) {
  return File_.WriteLine("ren \"" + Utf8ToGbkOrRaw(newPath) + "\" \"" +
                         Utf8ToGbkOrRaw(ExtractFileName(oldPath)) + "\"");
}

TIoError TUndoBatch::Close() {
  File_.WriteLine(G("rem 操作完成"));
  return File_.Close();
}

}  // namespace tunaro::engine
