// The tag code page of each folder under "auto": a folder's legacy texts are judged together
// (platform::JudgeFolder), from its checked entries in the run's list, before the first of them
// is renamed. A file dropped alone is judged with the other files of its folder in the list.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/file_list.h"
#include "engine/readers.h"
#include "platform/codepage_detect.h"

namespace tunaro::engine {

// The legacy bytes among a read's texts: legacy texts, and texts of Unicode tags that are not
// UTF-8 at all (an old tagger's code-page bytes in a Vorbis comment, say).
platform::TFileTexts LegacyTexts(const TTagRead& read);

// What a folder's reading says, for the preview, the run log and tunaro-cli: "按 Big5 读取",
// "编码混杂，逐个文件读取", "无法确定编码"; empty where there was nothing to decide.
std::string FolderReadingText(const platform::TFolderReading& reading, bool hasLegacyText);

class TFolderCodePages {
 public:
  // How many checked entries of a folder, at most, are read to judge it.
  static constexpr size_t kSampleFiles = 64;

  TFolderCodePages(const TFileList& list, platform::TCodePage codePage);

  // How the texts of entry `index` (already read as `read`) are read. Under an explicit code
  // page, that page. Under auto, the first ask for a folder judges it: `readEntry` reads the
  // folder's other sampled entries (the caller keeps what it read for their turn), and
  // `judged` is called once with the folder and its reading.
  platform::TFolderReading ReadingFor(
      size_t index, const std::string& path, const TTagRead& read,
      const std::function<const TTagRead*(size_t)>& readEntry,
      const std::function<void(const std::string&, const platform::TFolderReading&, bool)>& judged);

 private:
  // The checked entries of the folder, in list order, from `index` on, at most kSampleFiles.
  std::vector<size_t> Sample(size_t index, const std::string& folder);
  std::map<std::string, platform::TFolderReading>::iterator Judge(
      size_t index, const std::string& folder, const TTagRead& read,
      const std::function<const TTagRead*(size_t)>& readEntry,
      const std::function<void(const std::string&, const platform::TFolderReading&, bool)>& judged);

  const TFileList& List_;
  const platform::TCodePage CodePage_;
  std::map<std::string, platform::TFolderReading> Folders_;
  std::map<std::string, platform::TFolderReading>::iterator Last_ = Folders_.end();
  // Built on the first folder that is not all in one run of entries (a drop): every folder's
  // first checked entries.
  std::unordered_map<std::string, std::vector<size_t>> Index_;
  bool Indexed_ = false;
};

}  // namespace tunaro::engine
