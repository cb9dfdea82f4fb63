#include "engine/list_export.h"

#include <string_view>

#include "platform/codec.h"
#include "platform/fs.h"

namespace tunaro::engine {

const char* const kHomePageAddress = "https://tunaro.example.org/";
const char* const kHomePageHost = "tunaro.example.org";

namespace {

std::string_view ExtensionOf(TExportForm form) {
  switch (form) {
    case TExportForm::M3u:
      return ".m3u";
    case TExportForm::Pls:
      return ".pls";
    case TExportForm::Html:
      break;
  }
  return ".htm";
}

// Paths are the file system's bytes; the lists are GBK like everything else the program writes.
// A list is read from elsewhere than the current folder, so every entry is a full path.
std::string PathBytes(const std::string& path) {
  return platform::Utf8ToGbkOrRaw(path.starts_with('/') ? path : platform::AbsolutePath(path));
}

// A file name on this system may hold < > and ", which would end the attribute or open a tag
// in the page. Every other byte, the ampersand included, goes out as it stands, so a page
// from a path free of these three is the same bytes as ever. The three are ASCII and never
// the trail byte of a GBK character, so the converted bytes can be scanned one by one.
std::string HtmlPath(const std::string& gbkPath) {
  std::string out;
  out.reserve(gbkPath.size());
  for (const char c : gbkPath) {
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Collects lines and hands them to the file in large pieces: one system call per line would
// dominate a long list. The first failed write stops all further writing.
class TLineSink {
 public:
  explicit TLineSink(platform::TTextFile& file) : File_(file) {}

  void Line(std::string_view text) {
    if (Error_) return;
    Buffer_.append(text);
    Buffer_.append("\r\n");
    if (Buffer_.size() >= kChunk) Flush();
  }

  platform::TIoError Finish() {
    Flush();
    const platform::TIoError closeError = File_.Close();
    return Error_ ? Error_ : closeError;
  }

 private:
  static constexpr size_t kChunk = 64 * 1024;

  void Flush() {
    if (Error_ || Buffer_.empty()) return;
    Error_ = File_.Write(Buffer_);
    Buffer_.clear();
  }

  platform::TTextFile& File_;
  std::string Buffer_;
  platform::TIoError Error_;
};

void WriteHtml(TLineSink& out, const TFileList& list, bool selectedOnly) {
  out.Line(platform::Utf8ToGbk("<html><head><title>文件列表</title></head><body>"));
  out.Line(platform::Utf8ToGbk("<h2>目录标题</h2><hr>"));
  int number = 0;
  std::string line;
  for (size_t i = 0; i < list.Count(); ++i) {
    if (selectedOnly && !list.Checked(i)) continue;
    ++number;
    const std::string path = HtmlPath(PathBytes(list.Path(i)));
    line = "<p>";
    line += std::to_string(number);
    line += ". <a href=\"file://";
    line += path;
    line += "\">";
    line += path;
    line += "</a></p>";
    out.Line(line);
  }
  out.Line(platform::Utf8ToGbk("<hr><p>此文件通过：Tunaro 创建</p>"));
  out.Line(platform::Utf8ToGbk(std::string("<p>软件主页：<a target=\"_blank\" href=\"") +
                               kHomePageAddress + "\">" + kHomePageHost + " Morvix</a></p>"));
  out.Line("</body></html>");
}

void WriteM3u(TLineSink& out, const TFileList& list, bool selectedOnly) {
  out.Line("#EXTM3U");
  for (size_t i = 0; i < list.Count(); ++i)
    if (!selectedOnly || list.Checked(i)) out.Line(PathBytes(list.Path(i)));
}

void WritePls(TLineSink& out, const TFileList& list, bool selectedOnly) {
  out.Line("[playlist]");
  int number = 0;
  for (size_t i = 0; i < list.Count(); ++i) {
    if (selectedOnly && !list.Checked(i)) continue;
    ++number;
    out.Line("File" + std::to_string(number) + "=" + PathBytes(list.Path(i)));
  }
}

}  // namespace

// The extension starts at the last dot of the name part; a dot in a folder name is none.
std::string ChangeExportExtension(const std::string& fileName, TExportForm form) {
  const size_t slash = fileName.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = fileName.rfind('.');
  const size_t stem = dot != std::string::npos && dot >= nameStart ? dot : fileName.size();
  return fileName.substr(0, stem) + std::string(ExtensionOf(form));
}

platform::TIoError WriteList(const std::string& fileName, TExportForm form, const TFileList& list,
                             bool selectedOnly) {
  platform::TTextFile file;
  if (const platform::TIoError error = file.Open(fileName, platform::TTextFile::TMode::Replace))
    return error;
  TLineSink out(file);
  switch (form) {
    case TExportForm::Html:
      WriteHtml(out, list, selectedOnly);
      break;
    case TExportForm::M3u:
      WriteM3u(out, list, selectedOnly);
      break;
    case TExportForm::Pls:
      WritePls(out, list, selectedOnly);
      break;
  }
  return out.Finish();
}

}  // namespace tunaro::engine
