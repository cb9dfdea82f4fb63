// The file types the program renames, their legends, the template presets, and the
// extension dispatch string by which a file's own extension chooses its reader.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tunaro::engine {

// Legends of the placeholders %1..%6, Chinese line first, English second.
extern const char* const kLegendA;
extern const char* const kLegendB;
extern const char* const kLegendC;
extern const char* const kLegendD;
extern const char* const kLegendE;

// The reader that a file type selects; engine/readers.h has one row per kind.
enum class TReaderKind {
  None,
  MP3,
  TwinVQ,
  OggVorbis,
  Monkey,
  MPEGplus,
  RealMedia,
  WindowsMedia,
  Flac,
  OggFlac,
  Opus,
  Speex,
  MP4,
  WavPack,
  Wav,
  Aiff,
  Dsf,
  Count  // not a reader: the number of kinds
};

// One row defines a type: everything else about types (the dispatch string and positions,
// the reader a file's extension selects, the CLI's type names, the lists of types in the
// desktop entry, the man pages and the package) is derived from this table.
struct TFileType {
  const char* Caption;              // as the type box shows it
  const char* Extension;            // lower case, with its dot; empty for the row of every type
  const char* Legend;               // the tips text
  TReaderKind Reader;               // None for the row of every type: each file's extension decides
  const char* MoreExtensions = "";  // further extensions of the type, blank-separated
  const char* MimeTypes = "";       // the desktop entry's, ";"-separated
};

// In the order of the type box's rows: the ten types of old first, then the newer ones, then
// the row that lists every type at once.
extern const std::array<TFileType, 20> kFileTypes;
inline constexpr size_t kEveryTypeRow = 19;

extern const std::array<const char*, 4> kTemplatePresets;

inline constexpr std::string_view kDefaultExtension = ".mp3";
// The table's extensions upper-cased and back to back: ".MP3.VQF.OGG.APE.MPP.MPC.RA.RM.RAM.WMA"
// and the newer ones after them.
const std::string& ExtensionDispatch();

// 1-based position of the upper-cased extension as a substring of the dispatch string; 0 when
// the extension is empty or does not occur. Being a substring search, ".M" finds ".MP3".
int DispatchPosition(std::string_view extension);
// The reader of the extension at whose start that position falls; None for any other
// position.
TReaderKind ReaderForExtension(std::string_view extension);

// Every extension of a row, the first one first.
std::vector<std::string_view> RowExtensions(const TFileType& type);
// Whether a scan for the row lists a file of this name: its extension is one of the row's,
// letter case ignored; for the row of every type, one of any row's.
bool TypeListsName(const TFileType& type, std::string_view name);

// The caption left of the total count: the extension without its first character,
// upper-cased, followed by "文件数量：".
std::string CountCaption(std::string_view extension);

// The caption of a row's count: the count caption of its extension, and for the row of every
// type "音频文件数量：".
std::string RowCountCaption(const TFileType& type);

// Row of the type box for a short type name such as "mp3", "RAM" or "aif" (any extension of
// the row, any letter case), or "all" for the row of every type; -1 when there is none.
int FileTypeRowByName(std::string_view name);
// The short type names, blank-separated, in the order of the rows: "mp3 vqf ... wma flac ...
// all".
std::string FileTypeNames();

}  // namespace tunaro::engine
