// The ID3v1 tag (versions 1.0 and 1.1): the fixed 128-byte block at the end of a file.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tunaro::tags {

class TReadOnlyFile;

// The published ID3v1 genre list (0..79) and the Winamp extension (80..147), spelled as
// players have shown them for decades ("Psychadelic", "Progessive Rock", "Trash Metal").
extern const std::array<const char*, 148> kGenreNames;

class TID3v1 {
 public:
  TID3v1() { Clear(); }

  void Clear();
  // False only when the last 128 bytes cannot be read; true with or without a tag.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open, so that one open serves several readers.
  bool Load(TReadOnlyFile& file);

  bool Found;
  uint8_t VersionCode;  // 1 = ID3v1.0, 2 = ID3v1.1
  std::string Title;
  std::string Artist;
  std::string Album;
  std::string Year;
  std::string Comment;
  uint8_t Track;
  uint8_t GenreIndex;  // 255 = no genre

  // Fills the fields from a 128-byte block, as Load does after reading it.
  void ParseBlock(const uint8_t* block);
};

}  // namespace tunaro::tags
