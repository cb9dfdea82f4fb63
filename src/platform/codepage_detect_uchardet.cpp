#include <uchardet/uchardet.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <type_traits>

#include "platform/ascii.h"
#include "platform/codepage_detect.h"

namespace tunaro::platform {

namespace {

// Bytes above ASCII the distinct texts must hold before a code page is judged at all.
constexpr size_t kMinimumEvidence = 4;
// Before a code page other than GBK is taken for texts that read as GBK too: bytes above
// ASCII, and distinct texts.
constexpr size_t kEvidenceAgainstGbk = 24;
constexpr size_t kTextsAgainstGbk = 3;
// A file with this many bytes above ASCII is asked alone too; a folder where a third of such
// files disagree with the whole mixes code pages.
constexpr size_t kFileEvidence = 12;

// The names uchardet gives, and the code page each stands for here. Detectors name a code
// page by the standard it extends (EUC-KR for CP949's Korean, ISO-8859-1 for CP1252's Latin),
// or by a sibling (ISO-8859-9 for German text, MAC-CYRILLIC for lower-case Russian); the
// script check below keeps those that the code page reads as letters of its own script.
TCodePage CodePageOfCharset(std::string_view name) {
  struct TName {
    const char* Name;
    TCodePage Page;
  };
  static constexpr TName kNames[] = {
      {"UTF-8", TCodePage::Utf8},
      {"GB18030", TCodePage::Gbk},
      {"GBK", TCodePage::Gbk},
      {"GB2312", TCodePage::Gbk},
      {"BIG5", TCodePage::Big5},
      {"SHIFT_JIS", TCodePage::ShiftJis},
      {"EUC-KR", TCodePage::Cp949},
      {"UHC", TCodePage::Cp949},
      {"WINDOWS-1251", TCodePage::Cp1251},
      {"MAC-CYRILLIC", TCodePage::Cp1251},
      {"ISO-8859-5", TCodePage::Cp1251},
      {"KOI8-R", TCodePage::Cp1251},
      {"IBM855", TCodePage::Cp1251},
      {"IBM866", TCodePage::Cp1251},
      {"WINDOWS-1252", TCodePage::Cp1252},
      {"ISO-8859-1", TCodePage::Cp1252},
      {"ISO-8859-15", TCodePage::Cp1252},
      {"ISO-8859-9", TCodePage::Cp1252},
      {"WINDOWS-1254", TCodePage::Cp1252},
      {"WINDOWS-1257", TCodePage::Cp1252},
      {"WINDOWS-1250", TCodePage::Cp1250},
      {"ISO-8859-2", TCodePage::Cp1250},
      {"ISO-8859-16", TCodePage::Cp1250},
      {"IBM852", TCodePage::Cp1250},
  };
  const std::string upper = AsciiUpper(name);
  for (const TName& n : kNames)
    if (upper == n.Name) return n.Page;
  return TCodePage::Auto;
}

size_t HighBytes(std::string_view s) {
  return static_cast<size_t>(std::count_if(
      s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
}

TCodePage Uchardet(const std::set<std::string_view>& texts) {
  std::string joined;
  for (const std::string_view text : texts) joined.append(text).append("\n");
  const std::unique_ptr<std::remove_pointer_t<uchardet_t>, void (*)(uchardet_t)> detector(
      uchardet_new(), uchardet_delete);
  if (!detector || uchardet_handle_data(detector.get(), joined.data(), joined.size()) != 0)
    return TCodePage::Auto;
  uchardet_data_end(detector.get());
  const char* charset = uchardet_get_charset(detector.get());
  return charset != nullptr ? CodePageOfCharset(charset) : TCodePage::Auto;
}

// Decodes UTF-8 into code points; a byte that starts none is passed as itself.
template <typename Fn>
void ForEachCodePoint(std::string_view s, Fn fn) {
  for (size_t i = 0; i < s.size();) {
    const int32_t cp = DecodeUtf8(s, i);
    fn(cp < 0 ? static_cast<unsigned char>(s[i++]) : static_cast<uint32_t>(cp));
  }
}

// Whether a single-byte code page read the text as words of its own script: for CP1251
// Cyrillic, for the Latin pages Latin. Their other high characters (quotes, dashes, the euro,
// the degree sign) are text too; what a sibling code page's letters turn into in the wrong
// page (box drawing, math signs) is not. Nor are words that are not of one script: Latin
// text read as Cyrillic gives words like "Grьяe", Cyrillic text read as Latin words like
// "Êèíî", of accented letters alone (a short one, "été", may be).
// Signs that titles hold besides letters: quotes, dashes, the euro, the number sign, the trade
// marks, and Latin-1's ¡ ¢ £ ¥ § © ª « ® ° ± · º » ¿ × ÷. Latin-1's other signs (¹ ³ ¼ ¾ ...)
// are where a Central European page's letters land when read as Western, and the reverse.
bool IsTextSign(uint32_t cp) {
  static constexpr uint32_t kLatin1Signs[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA5, 0xA7, 0xA9, 0xAA, 0xAB,
                                              0xAE, 0xB0, 0xB1, 0xB7, 0xBA, 0xBB, 0xBF, 0xD7, 0xF7};
  return (cp >= 0x2010 && cp <= 0x203A) || cp == 0x20AC || cp == 0x2116 || cp == 0x2122 ||
         std::find(std::begin(kLatin1Signs), std::end(kLatin1Signs), cp) != std::end(kLatin1Signs);
}

bool ReadsAsItsScript(std::string_view utf8, TCodePage page) {
  bool ok = true;
  size_t ascii = 0, cyrillic = 0, accented = 0;  // letters of the current word
  const auto endWord = [&] {
    if (page == TCodePage::Cp1251 && cyrillic > 0 && ascii > 0) ok = false;
    if (page != TCodePage::Cp1251 && accented >= 4 && ascii == 0) ok = false;
    ascii = cyrillic = accented = 0;
  };
  ForEachCodePoint(utf8, [&](uint32_t cp) {
    if ((cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z')) {
      ++ascii;
      return;
    }
    if (cp >= 0x400 && cp <= 0x4FF) {
      ++cyrillic;
      ok = ok && page == TCodePage::Cp1251;
      return;
    }
    if (cp >= 0xC0 && cp <= 0x24F && cp != 0xD7 && cp != 0xF7) {
      ++accented;
      ok = ok && page != TCodePage::Cp1251;
      return;
    }
    endWord();
    if (cp < 0x80 || IsTextSign(cp)) return;
    ok = false;
  });
  endWord();
  return ok;
}

bool IsSingleBytePage(TCodePage page) {
  return page == TCodePage::Cp1251 || page == TCodePage::Cp1252 || page == TCodePage::Cp1250;
}

// Whether the code page reads every text whole (and, for the single-byte pages, as its script).
bool ReadsAll(const std::set<std::string_view>& texts, TCodePage page) {
  for (const std::string_view text : texts) {
    const std::string utf8 = LegacyToUtf8(text, page, true);
    if (utf8.find(kUndecodable) != std::string::npos) return false;
    if (IsSingleBytePage(page) && !ReadsAsItsScript(utf8, page)) return false;
  }
  return true;
}

// Whether the automatic code page reads every text as GBK, without an undecodable character.
bool AllReadAsGbk(const std::set<std::string_view>& texts) {
  for (const std::string_view text : texts)
    if (AutoTakesAsUtf8(text) ||
        LegacyToUtf8(text, TCodePage::Auto).find(kUndecodable) != std::string::npos)
      return false;
  return true;
}

// Adds the file's texts holding bytes above ASCII to `distinct` (views into `file`).
void AddTexts(const TFileTexts& file, std::set<std::string_view>& distinct) {
  for (const std::string& text : file)
    if (HighBytes(text) > 0) distinct.insert(text);
}

// How many bytes above ASCII the distinct texts hold.
size_t Evidence(const std::set<std::string_view>& distinct) {
  size_t evidence = 0;
  for (const std::string_view text : distinct) evidence += HighBytes(text);
  return evidence;
}

// The code page uchardet names, if it reads every text (for the Latin pages: of the two, the
// one that reads the texts as Latin words where the other does not); else Auto.
TCodePage Detected(const std::set<std::string_view>& texts) {
  TCodePage page = Uchardet(texts);
  if (page == TCodePage::Cp1250 || page == TCodePage::Cp1252) {
    const TCodePage other = page == TCodePage::Cp1250 ? TCodePage::Cp1252 : TCodePage::Cp1250;
    if (!ReadsAll(texts, page) && ReadsAll(texts, other)) page = other;
  }
  return page != TCodePage::Auto && ReadsAll(texts, page) ? page : TCodePage::Auto;
}

// What the texts say, weighed against GBK: a code page; or Auto, where they read as GBK and
// nothing clearly says otherwise; or unreadable, where they do not read as GBK (or as UTF-8)
// and no code page the program reads is clearly right.
TFolderReading Judge(const std::set<std::string_view>& texts) {
  TFolderReading reading;
  const size_t evidence = Evidence(texts);
  const bool gbk = AllReadAsGbk(texts);
  const TCodePage page = evidence >= kMinimumEvidence ? Detected(texts) : TCodePage::Auto;
  // UTF-8 as the automatic code page weighs it: short GBK texts are valid UTF-8 by accident
  // (未知 reads as "δ֪").
  const bool utf8 =
      page == TCodePage::Utf8 && std::all_of(texts.begin(), texts.end(),
                                             [](std::string_view t) { return AutoTakesAsUtf8(t); });
  if (page == TCodePage::Gbk || utf8) {
    reading.Page = page;
  } else if (page == TCodePage::Utf8) {
    // Auto: each text weighed alone.
  } else if (gbk && (page == TCodePage::Auto || evidence < kEvidenceAgainstGbk ||
                     texts.size() < kTextsAgainstGbk)) {
    // Auto: as GBK, this program's first guess.
  } else if (page != TCodePage::Auto) {
    reading.Page = page;
  } else {
    // Too little text for the detector, or it found nothing that reads every text: the texts
    // are read alone, and the automatic code page may still take a text for UTF-8 or find it
    // undecodable (Latin-1 passing for GBK); but with text enough that GBK does not read, a
    // guess would be garbage.
    reading.Unreadable = evidence >= kMinimumEvidence;
  }
  return reading;
}

}  // namespace

TFolderReading JudgeFolder(const std::vector<TFileTexts>& files) {
  std::set<std::string_view> distinct;
  for (const TFileTexts& file : files) AddTexts(file, distinct);
  TFolderReading reading = Judge(distinct);
  if (Evidence(distinct) < kMinimumEvidence) return reading;

  // Files that tell alone: a folder where many of them say another code page mixes pages.
  // Asked without the weight for GBK, which would hide the files of a second CJK page.
  size_t telling = 0, disagreeing = 0;
  for (const TFileTexts& file : files) {
    std::set<std::string_view> own;
    AddTexts(file, own);
    if (Evidence(own) < kFileEvidence) continue;
    ++telling;
    const TCodePage alone = Detected(own);
    if (alone != TCodePage::Auto && alone != reading.Page) ++disagreeing;
  }
  if (telling >= 2 && disagreeing * 4 >= telling) {
    reading = {};
    reading.Mixed = true;
  }
  return reading;
}

TFolderReading FileReading(const TFolderReading& folder, const TFileTexts& file) {
  if (!folder.Mixed) return folder;
  // Alone, a file is read only the automatic way, as GBK or UTF-8, and only where the detector
  // says nothing else: the folder holds more than one code page, so GBK is no safe guess.
  std::set<std::string_view> own;
  AddTexts(file, own);
  const TCodePage alone = Evidence(own) >= kMinimumEvidence ? Detected(own) : TCodePage::Auto;
  TFolderReading reading;
  reading.Unreadable = alone == TCodePage::Auto
                           ? !AllReadAsGbk(own) && Evidence(own) > 0
                           : alone != TCodePage::Gbk && alone != TCodePage::Utf8;
  return reading;
}

std::string ReadLegacyText(const TFolderReading& reading, std::string_view text, bool fullField) {
  if (HighBytes(text) == 0) return std::string(text);
  if (reading.Unreadable) return std::string(kUndecodable);
  return LegacyToUtf8(text, reading.Page, fullField);
}

}  // namespace tunaro::platform
