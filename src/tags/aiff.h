// AIFF and AIFF-C: an IFF file of form AIFF or AIFC, walked chunk by chunk (big-endian).
// Texts come from the ID3v2 tag of an "ID3 " chunk, and from the NAME, AUTH and ANNO chunks
// (code-page bytes, as the file holds them).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tags/id3v2.h"

namespace tunaro::tags {

class TAiff {
 public:
  TAiff();

  void Clear();
  // False only when the file cannot be opened or holds fewer than 12 bytes.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  // A text chunk is read up to this many bytes.
  static constexpr size_t kMaxTextBytes = 4096;

  bool Found;       // FORM of type AIFF or AIFC
  bool Compressed;  // AIFC
  // From the COMM chunk; 0 without one.
  uint16_t Channels;
  uint32_t SampleFrames;
  uint16_t BitsPerSample;
  uint32_t SampleRate;  // whole hertz of the chunk's 80-bit float
  // The text chunks, trimmed; several chunks of one kind joined by "/".
  std::string Name;        // NAME
  std::string Author;      // AUTH
  std::string Annotation;  // ANNO
  // The tag of the first ID3 chunk; not Found without one.
  std::unique_ptr<TID3v2> ID3v2;
};

}  // namespace tunaro::tags
