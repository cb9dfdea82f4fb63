// WAV: a RIFF file of form WAVE, or of its 64-bit forms RF64 and BW64, walked chunk by chunk.
// Texts come from a LIST chunk of type INFO (code-page bytes, as the file holds them) and
// from the ID3v2 tag of an "id3 " or "ID3 " chunk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tags/id3v2.h"

namespace tunaro::tags {

class TWav {
 public:
  TWav();

  void Clear();
  // False only when the file cannot be opened or holds fewer than 12 bytes.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  // A LIST/INFO chunk is read up to this many bytes; the texts beyond are left out.
  static constexpr size_t kMaxInfoBytes = 64 * 1024;

  bool Found;  // RIFF, RF64 or BW64 of form WAVE
  // From the "fmt " chunk; 0 without one.
  uint16_t FormatTag;
  uint16_t Channels;
  uint32_t SampleRate;
  uint16_t BitsPerSample;
  uint64_t DataBytes;  // the "data" chunk's size (for RF64 as its "ds64" chunk gives it)
  // The INFO texts, trimmed; several chunks of one kind joined by "/".
  bool InfoFound;
  std::string Title;    // INAM
  std::string Artist;   // IART
  std::string Album;    // IPRD
  std::string Date;     // ICRD, a timestamp cut to its year
  std::string Comment;  // ICMT
  std::string Genre;    // IGNR
  uint8_t Track;        // ITRK, else IPRT
  // The tag of the first ID3 chunk; not Found without one.
  std::unique_ptr<TID3v2> ID3v2;

 private:
  void ReadInfo(TReadOnlyFile& file, int64_t at, int64_t bytes);
};

}  // namespace tunaro::tags
