// Speex in Ogg: the 80-byte "Speex   " header packet, then a packet of Vorbis comments
// without a marker of its own. Texts are kept as stored (UTF-8).
#pragma once

#include <cstdint>
#include <string>

#include "tags/vorbis_comment.h"

namespace tunaro::tags {

class TReadOnlyFile;

class TSpeex {
 public:
  TSpeex() { Clear(); }

  void Clear();
  // False only when the file cannot be opened.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  bool Found;  // the stream's first packet is a Speex header
  int32_t FileSize;
  std::string Version;  // the encoder's version text
  uint32_t SampleRate;
  uint32_t Mode;  // 0 narrowband, 1 wideband, 2 ultra-wideband
  uint32_t Channels;
  int32_t BitRate;         // bits per second; -1 when not known
  bool HasComments;        // a second packet was read
  TVorbisFields Comments;  // several entries of one key joined
};

}  // namespace tunaro::tags
