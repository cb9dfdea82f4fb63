// The ID3v2 tag at the start of an MP3 file. Only version 2.3 has its frames read.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tunaro::tags {

class TID3v2 {
 public:
  TID3v2() { Clear(); }

  void Clear();
  // False only when the file cannot be opened or has fewer than 10 bytes.
  bool Load(const std::string& fileName);

  bool Found;
  uint8_t MajorVersion;
  int32_t TagSize;  // header included; 0 when beyond the file's end
  std::string Title;
  std::string Artist;
  std::string Album;
  uint8_t Track;
  std::string Year;
  std::string Genre;
  std::string Comment;
};

}  // namespace tunaro::tags
