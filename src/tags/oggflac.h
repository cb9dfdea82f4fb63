// FLAC in Ogg: a first packet of 0x7F "FLAC", the mapping's version, "fLaC" and the
// STREAMINFO block; the metadata blocks follow one per packet, the VORBIS_COMMENT block
// first of them. Texts are kept as stored (UTF-8).
#pragma once

#include <cstdint>
#include <string>

#include "tags/flac.h"
#include "tags/vorbis_comment.h"

namespace tunaro::tags {

class TReadOnlyFile;

class TOggFlac {
 public:
  TOggFlac() { Clear(); }

  void Clear();
  // False only when the file cannot be opened.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  bool Found;  // the stream's first packet is an Ogg FLAC header
  int32_t FileSize;
  uint8_t MajorVersion;
  uint8_t MinorVersion;
  TFlacStreamInfo Info;
  bool HasComments;        // a VORBIS_COMMENT block was read
  TVorbisFields Comments;  // several entries of one key joined
};

}  // namespace tunaro::tags
