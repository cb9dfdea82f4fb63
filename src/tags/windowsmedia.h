// Windows Media (WMA): the five texts of the content description object and the album artist
// of the extended content description, UTF-16LE to UTF-8. Further values of these names, in
// the extended content description or the metadata objects of the header extension, are
// joined to the first in their order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tunaro::tags {

class TReadOnlyFile;

class TWindowsMedia {
 public:
  TWindowsMedia() { Clear(); }

  void Clear();
  // False when the file does not begin with the header object or cannot be read; Found = result.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  bool Found;
  std::string Title;
  std::string Author;
  std::string Copyright;
  std::string Description;
  std::string Rating;
  std::string AlbumArtist;  // WM/AlbumArtist

  // A joined text stops taking values at this size: more than any file name holds.
  static constexpr size_t kMaxTextBytes = 4096;

 private:
  void ReadAttributes(const uint8_t* window, size_t windowSize);
};

}  // namespace tunaro::tags
