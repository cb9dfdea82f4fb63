// Ogg Vorbis: the identification header at its fixed place, the comment header, and a page
// near the end for the sample count. Texts are kept as stored (UTF-8), several entries of one
// key joined in their order.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tunaro::tags {

class TReadOnlyFile;

extern const std::array<const char*, 3> kOggChannelModes;  // "Unknown", "Mono", "Stereo"

class TOggVorbis {
 public:
  TOggVorbis() { Clear(); }

  void Clear();
  // False only when the file cannot be opened or has fewer than 30 bytes from offset 28.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  bool Found;
  int32_t FileSize;
  uint8_t ChannelMode;
  uint16_t SampleRate;
  uint16_t BitRate;
  int32_t SampleCount;
  std::string Title;
  std::string Artist;
  std::string Album;
  uint8_t Track;
  std::string Year;  // the DATE comment
  std::string Genre;
  std::string Comment;
  std::string Vendor;
  std::string AlbumArtist;  // ALBUMARTIST (or "ALBUM ARTIST")
};

}  // namespace tunaro::tags
