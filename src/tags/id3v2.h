// The ID3v2 tag at the start of an MP3 file, appended at its end with a footer, or in a chunk
// of a WAV, AIFF or DSF file: versions 2.2, 2.3 and 2.4, with unsynchronisation, extended
// headers and the frame flags that matter for reading texts.
#pragma once

#include <cstdint>
#include <string>

namespace tunaro::tags {

class TReadOnlyFile;

class TID3v2 {
 public:
  // The text encoding byte of a frame, as the tag stores it.
  enum TEncoding : uint8_t {
    kLegacy = 0,   // code-page bytes, kept as they stand (the engine decodes them)
    kUtf16 = 1,    // UTF-16 with a byte-order mark; the text holds UTF-8
    kUtf16BE = 2,  // UTF-16 big-endian; the text holds UTF-8
    kUtf8 = 3,     // UTF-8; the text holds it sanitised
  };
  // True when a text came from a Unicode frame and so holds UTF-8, false for legacy bytes.
  static bool IsUnicode(uint8_t encoding) { return encoding != kLegacy; }

  TID3v2() { Clear(); }

  void Clear();
  // False only when the file cannot be opened or has fewer than 10 bytes.
  bool Load(const std::string& fileName);
  // The same, on a file the caller has open (so one open can serve other tags too). Reads
  // from the start of the file; leaves the file open, its position anywhere.
  bool Load(TReadOnlyFile& file);
  // A tag that starts `offset` bytes into the file and may take up at most `limit` bytes from
  // there (an ID3 chunk, DSF's metadata): the same reading within those bounds. False when
  // fewer than 10 bytes lie within them.
  bool Load(TReadOnlyFile& file, int64_t offset, int64_t limit);
  // A version 2.4 tag appended to the audio: its footer ("3DI") takes the last 10 bytes
  // before `end`, and the tag it closes is read as Load reads one at its offset. False when
  // there is no such footer, or it names a tag that does not fit before it.
  bool LoadAppended(TReadOnlyFile& file, int64_t end);

  bool Found;         // the tag's header ("ID3") stands where the tag was looked for
  int64_t TagOffset;  // where the header stands in the file
  uint8_t MajorVersion;
  int32_t TagSize;  // header included; 0 when beyond the file's end
  std::string Title;
  std::string Artist;
  std::string Album;
  uint8_t Track;
  std::string Year;  // TYER, or for version 2.4 TDRC, a timestamp cut to its year
  std::string Genre;
  std::string Comment;
  std::string AlbumArtist;  // TPE2 (TP2 in 2.2)

  // The encoding byte of the frame each text came from (a TEncoding; kLegacy too when the
  // text is empty). kLegacy: the text is the tag's bytes as they stand; anything else: UTF-8.
  uint8_t TitleEncoding;
  uint8_t ArtistEncoding;
  uint8_t AlbumEncoding;
  uint8_t YearEncoding;
  uint8_t GenreEncoding;
  uint8_t CommentEncoding;
  uint8_t AlbumArtistEncoding;
};

}  // namespace tunaro::tags
