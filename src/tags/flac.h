// FLAC: the "fLaC" marker (after any ID3v2 tags some taggers put in front), then metadata
// blocks up to the one flagged last; STREAMINFO for the stream's figures, VORBIS_COMMENT for
// the tags. Texts are kept as stored (UTF-8).
#pragma once

#include <cstdint>
#include <string>

#include "tags/vorbis_comment.h"

namespace tunaro::tags {

class TReadOnlyFile;

// What a STREAMINFO block gives, here and in Ogg FLAC's first packet.
struct TFlacStreamInfo {
  static constexpr size_t kSize = 34;
  uint32_t SampleRate = 0;
  uint8_t Channels = 0;
  uint8_t BitsPerSample = 0;
  uint64_t SampleCount = 0;  // 0: not known
  // From the block's kSize bytes.
  void Parse(const uint8_t* block);
};

// The 4-byte header of a metadata block.
struct TFlacBlockHeader {
  static constexpr size_t kSize = 4;
  static constexpr uint8_t kStreamInfo = 0;
  static constexpr uint8_t kVorbisComment = 4;
  uint8_t Type;
  bool Last;
  uint32_t Length;  // of the block's data, which follows the header
  explicit TFlacBlockHeader(const uint8_t* header);
};

class TFlac {
 public:
  TFlac() { Clear(); }

  void Clear();
  // False only when the file cannot be opened.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  bool Found;  // the file holds the "fLaC" marker where it belongs
  int32_t FileSize;
  int64_t StreamStart;  // where the marker stands: after the ID3v2 tags in front
  TFlacStreamInfo Info;
  bool HasComments;        // a VORBIS_COMMENT block was read
  TVorbisFields Comments;  // several entries of one key joined
};

}  // namespace tunaro::tags
