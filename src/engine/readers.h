// The reader registry: one row per reader kind gives its name, how it reads a file into the
// six texts of %1..%6, how tunaro-cli lists its fields, and which parts of a file it reads.
// Texts come out of a reader with the way they are to be decoded, and are decoded with the
// tag code page only afterwards, so that the code page can be chosen after the reads.
#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

#include "engine/file_types.h"
#include "engine/name_builder.h"
#include "platform/codec.h"
#include "platform/codepage_detect.h"
#include "platform/fs.h"
#include "tags/text.h"

namespace tunaro::tags {
class TReadOnlyFile;
class TAPEv2;
}  // namespace tunaro::tags

namespace tunaro::engine {

using TJson = nlohmann::ordered_json;

// How a tag text is to be decoded.
enum class TTextKind : uint8_t {
  Ready,    // UTF-8 already (made by the reader from UTF-16, or a number)
  Unicode,  // UTF-8 by the format, but an old tagger may have put code-page bytes there
  Legacy,   // code-page bytes: ID3v1, ID3v2 encoding 0, APEv1, RealMedia, TwinVQ, WAV INFO
};

struct TTagText {
  std::string Bytes;
  TTextKind Kind = TTextKind::Ready;
  // Legacy text that filled a fixed-width field: its width may have cut its last character.
  bool FullField = false;
  bool operator==(const TTagText&) const = default;
};
using TTagTexts = std::array<TTagText, 6>;  // %1 .. %6

// Every text a reader gives is trimmed of blanks and control bytes at both ends, whatever its
// format: no byte of 0x20 or less is part of a multi-byte character in UTF-8 or in any code
// page the tags are read with.
inline TTagText LegacyText(std::string_view bytes, bool fullField = false) {
  return {tags::Trim(bytes), TTextKind::Legacy, fullField};
}
inline TTagText UnicodeText(std::string_view bytes) {
  return {tags::Trim(bytes), TTextKind::Unicode};
}
inline TTagText ReadyText(std::string_view bytes) {
  return {tags::Trim(bytes), TTextKind::Ready};
}

// A text from a tag that stores Unicode, made sure to be UTF-8: a sequence cut at the
// reader's bound is dropped, and a text that is not UTF-8 at all (an old tagger's code-page
// bytes) is decoded as legacy text.
std::string UnicodeTagText(const std::string& text, platform::TCodePage codePage);

// A read's texts as UTF-8, legacy bytes read the given way: with one code page, or as a
// folder's judgement says (platform/codepage_detect.h).
std::string DecodeTagText(const TTagText& text, const platform::TFolderReading& reading);
TFieldValues DecodeTagTexts(const TTagTexts& texts, const platform::TFolderReading& reading);
std::string DecodeTagText(const TTagText& text, platform::TCodePage codePage);
TFieldValues DecodeTagTexts(const TTagTexts& texts, platform::TCodePage codePage);

// Decodes texts for tunaro-cli's listing of a reader's fields, as the rename decodes them.
struct TTextDecoder {
  platform::TFolderReading Reading;
  std::string Legacy(const std::string& t, bool fullField = false) const;
  std::string Unicode(const std::string& t) const;
  std::string ID3v2(const std::string& t, uint8_t encoding) const;
  std::string APE(const tags::TAPEv2& tag, const std::string& t) const;
};

// The parts of a file that a reader reads, for warming the cache ahead of the run: the first
// `Head` and the last `Tail` bytes.
struct TReadRegions {
  uint32_t Head = 4096;
  uint32_t Tail = 4096;
};

struct TReaderRow {
  TReaderKind Kind;
  const char* Name;  // "MP3", "TwinVQ", ... as tunaro-cli tags reports it
  // Reads the open file; false when the reader finds no tag there.
  bool (*Read)(tags::TReadOnlyFile& file, TTagTexts& texts);
  // Reads the open file again and lists the reader's own fields (tunaro-cli tags).
  TJson (*Describe)(tags::TReadOnlyFile& file, const TTextDecoder& decoder);
  TReadRegions Regions;
};

// The row of a kind; None's row reads nothing.
const TReaderRow& ReaderRow(TReaderKind kind);

// What reading one file gave.
struct TTagRead {
  bool Opened = false;  // the file was opened: Stamp and Attributes are as looked at before
  bool Found = false;   // the reader found a tag
  TTagTexts Texts;
  platform::TFileStamp Stamp;
  int32_t Attributes = -1;  // the name's own, as platform::GetOwnAttributes gives
  int64_t StartNs = 0;      // the wall clock when the read began
  // The read had to wait for the disk: the file was not in the page cache.
  bool Waited = false;
  // The read took long, as over a network (or on a machine too busy to tell).
  bool Slow = false;
};

// Opens the file and reads it with the reader of `kind`. `listedRegular`: a scan listed the
// name as a regular file of its own (TFileList::ListedRegular). `timed`: the read notes its
// start and whether it was slow; a read used at once, with nothing more to learn from its
// time, need not ask the clock.
TTagRead ReadTag(TReaderKind kind, const std::string& path, bool listedRegular = false,
                 bool timed = true);

// Whether the name still holds the file as it was read, for a read made some time before its
// use (ahead of the run): the name looked at again gives the stamp seen before the reads, and
// one that a change after the read could not have kept. A link is never taken as unchanged:
// its target may change under the same look. True also updates the read's Attributes to the
// name's own now.
bool StillAsRead(TTagRead& read, const std::string& path);

// What a front end keeps for reading: the reader objects are made per file (plain values,
// cheap), so nothing is shared between files and any thread may read with its own.
struct TReaders {};

// Loads the file with the reader of `kind` and gives the six values as UTF-8: Unicode tag
// texts as they are, legacy byte texts decoded with `codePage`. False when no reader was
// selected or the reader found nothing.
bool ReadFieldValues(TReaders& readers, TReaderKind kind, const std::string& path,
                     platform::TCodePage codePage, TFieldValues& values);

}  // namespace tunaro::engine
