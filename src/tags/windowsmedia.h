// Windows Media (WMA): the five texts of the content description object, UTF-16LE to UTF-8.
#pragma once

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
};

}  // namespace tunaro::tags
