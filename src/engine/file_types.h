// The ten file types the program renames, their legends, the template presets, and the
// extension dispatch string by which a file's own extension chooses its reader.
#pragma once

#include <array>
#include <string>
#include <string_view>

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
  Count  // not a reader: the number of kinds
};

// One row defines a type: everything else about types (the dispatch string and positions,
// the reader a file's extension selects, the CLI's type names) is derived from this table.
struct TFileType {
  const char* Caption;    // as the type box shows it
  const char* Extension;  // lower case, with its dot
  const char* Legend;     // the tips text
  TReaderKind Reader;
};

// In the order of the type box's rows.
extern const std::array<TFileType, 10> kFileTypes;

extern const std::array<const char*, 4> kTemplatePresets;

inline constexpr std::string_view kDefaultExtension = ".mp3";
// The table's extensions upper-cased and back to back: ".MP3.VQF.OGG.APE.MPP.MPC.RA.RM.RAM.WMA".
const std::string& ExtensionDispatch();

// 1-based position of the upper-cased extension as a substring of the dispatch string; 0 when
// the extension is empty or does not occur. Being a substring search, ".M" finds ".MP3".
int DispatchPosition(std::string_view extension);
// The reader of the row at whose start that position falls; None for any other position.
TReaderKind ReaderForExtension(std::string_view extension);

// The caption left of the total count: the extension without its first character,
// upper-cased, followed by "文件数量：".
std::string CountCaption(std::string_view extension);

// Row of the type box for a short type name such as "mp3" or "RAM" (any letter case); -1 when
// there is none.
int FileTypeRowByName(std::string_view name);
// The short type names, blank-separated, in the order of the rows: "mp3 vqf ... wma".
std::string FileTypeNames();

}  // namespace tunaro::engine
