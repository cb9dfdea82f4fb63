// Which code page the legacy tag texts of one folder are in, judged from all of them at once.
// A tag is a few words, too little to tell code pages apart, but an album's worth of them
// usually tells them well. The judgement is uchardet's (Mozilla's detector, as Debian ships
// it), checked against the texts themselves.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codec.h"

namespace tunaro::platform {

// The legacy texts of one file.
using TFileTexts = std::vector<std::string>;

// How a folder's legacy texts are read: with one code page, or file by file.
struct TFolderReading {
  // UTF-8, GBK, Big5, Shift_JIS, CP949, CP1251, CP1252 or CP1250 when one is clearly right;
  // Auto when none is, and then each text is read as the automatic code page reads it alone.
  TCodePage Page = TCodePage::Auto;
  // The files disagree: the folder mixes code pages. Each file is then judged alone
  // (FileReading).
  bool Mixed = false;
  // A file of a mixed folder whose own texts say they are in another code page than the
  // automatic one reads: its legacy texts are undecodable.
  bool Unreadable = false;
  bool operator==(const TFolderReading&) const = default;
};

// Judges the folder from its files' texts. None is clearly right when:
//   - the texts are ASCII, or too little text to tell;
//   - the detector names a code page the program does not read, or one that cannot read
//     every text, or that reads letters of another script than its own;
//   - the texts read as GBK as well, and the evidence for the other code page is slight:
//     this program's users are first of all Chinese;
//   - many of the files with text enough to tell on their own say another code page than
//     the folder as a whole (Mixed).
// Texts that repeat (an album's name in every file) count once.
TFolderReading JudgeFolder(const std::vector<TFileTexts>& files);

// How one file of the folder is read: the folder's way, or in a mixed folder by its own texts:
// as the automatic code page reads them when they say nothing against that, else unreadable.
TFolderReading FileReading(const TFolderReading& folder, const TFileTexts& file);

// A legacy text read that way: UTF-8, with kUndecodable for what cannot be read.
std::string ReadLegacyText(const TFolderReading& reading, std::string_view text, bool fullField);

}  // namespace tunaro::platform
