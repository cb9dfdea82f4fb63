// Ogg Opus: the "OpusHead" packet that opens the stream, then the "OpusTags" packet with the
// Vorbis comments, which a cover picture often spreads over many pages. Texts are kept as
// stored (UTF-8).
#pragma once

#include <cstdint>
#include <string>

#include "tags/vorbis_comment.h"

namespace tunaro::tags {

class TReadOnlyFile;

class TOpus {
 public:
  TOpus() { Clear(); }

  void Clear();
  // False only when the file cannot be opened.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  bool Found;  // the stream's first packet is an Opus header
  int32_t FileSize;
  uint8_t Version;
  uint8_t Channels;
  uint16_t PreSkip;
  uint32_t InputSampleRate;
  bool HasComments;        // the second packet is "OpusTags"
  TVorbisFields Comments;  // several entries of one key joined
};

}  // namespace tunaro::tags
