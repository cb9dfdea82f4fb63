#include "engine/folder_code_pages.h"

#include <algorithm>

#include "engine/name_builder.h"

namespace tunaro::engine {

using platform::TCodePage;
using platform::TFolderReading;

platform::TFileTexts LegacyTexts(const TTagRead& read) {
  platform::TFileTexts texts;
  for (const TTagText& text : read.Texts)
    if (text.Kind == TTextKind::Legacy ||
        (text.Kind == TTextKind::Unicode && !platform::IsValidUtf8(text.Bytes)))
      texts.push_back(text.Bytes);
  return texts;
}

std::string FolderReadingText(const TFolderReading& reading, bool hasLegacyText) {
  if (!hasLegacyText) return {};
  if (reading.Mixed) return "编码混杂，逐个文件读取";
  if (reading.Unreadable) return "无法确定编码";
  if (reading.Page == TCodePage::Auto) return "按 GBK 或 UTF-8 逐项读取";
  return std::string("按 ") + platform::kCodePageTitles[static_cast<size_t>(reading.Page)] +
         " 读取";
}

TFolderCodePages::TFolderCodePages(const TFileList& list, TCodePage codePage)
    : List_(list), CodePage_(codePage) {}

std::vector<size_t> TFolderCodePages::Sample(size_t index, const std::string& folder) {
  // A scan lists a folder's files one after another: those that follow are the sample, unless
  // the folder's files appear elsewhere in the list too.
  std::vector<size_t> sample;
  size_t next = index;
  for (; next < List_.Count() && sample.size() < kSampleFiles; ++next) {
    const std::string path = List_.Path(next);
    if (ExtractFilePath(path) != folder) break;
    if (List_.Checked(next)) sample.push_back(next);
  }
  if (sample.size() == kSampleFiles) return sample;
  if (!Indexed_) {
    Indexed_ = true;
    for (size_t k = 0; k < List_.Count(); ++k) {
      if (!List_.Checked(k)) continue;
      std::vector<size_t>& entries = Index_[ExtractFilePath(List_.Path(k))];
      if (entries.size() < kSampleFiles) entries.push_back(k);
    }
  }
  const auto it = Index_.find(folder);
  if (it == Index_.end()) return sample;
  for (const size_t k : it->second)
    if (sample.size() < kSampleFiles && (k < index || k >= next)) sample.push_back(k);
  return sample;
}

TFolderReading TFolderCodePages::ReadingFor(
    size_t index, const std::string& path, const TTagRead& read,
    const std::function<const TTagRead*(size_t)>& readEntry,
    const std::function<void(const std::string&, const TFolderReading&, bool)>& judged) {
  TFolderReading reading;
  if (CodePage_ != TCodePage::Auto) {
    reading.Page = CodePage_;
    return reading;
  }
  // Files come folder by folder: the last folder's judgement serves the next file, without
  // a look-up, as does the folder's own reading unless the folder mixes code pages.
  const std::string_view folder = std::string_view(path).substr(0, path.rfind('/') + 1);
  if (Last_ == Folders_.end() || Last_->first != folder) {
    Last_ = Folders_.find(std::string(folder));
    if (Last_ == Folders_.end()) Last_ = Judge(index, std::string(folder), read, readEntry, judged);
  }
  return Last_->second.Mixed ? platform::FileReading(Last_->second, LegacyTexts(read))
                             : Last_->second;
}

std::map<std::string, TFolderReading>::iterator TFolderCodePages::Judge(
    size_t index, const std::string& folder, const TTagRead& read,
    const std::function<const TTagRead*(size_t)>& readEntry,
    const std::function<void(const std::string&, const TFolderReading&, bool)>& judged) {
  std::vector<platform::TFileTexts> files = {LegacyTexts(read)};
  for (const size_t k : Sample(index, folder)) {
    if (k == index) continue;
    if (const TTagRead* other = readEntry(k); other != nullptr && other->Found)
      files.push_back(LegacyTexts(*other));
  }
  bool hasLegacyText = false;
  for (const auto& file : files)
    for (const std::string& text : file)
      hasLegacyText = hasLegacyText || std::any_of(text.begin(), text.end(), [](char c) {
                        return static_cast<unsigned char>(c) >= 0x80;
                      });
  const auto it = Folders_.emplace(folder, platform::JudgeFolder(files)).first;
  judged(folder, it->second, hasLegacyText);
  return it;
}

}  // namespace tunaro::engine
