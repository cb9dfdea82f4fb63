// TwinVQ (VQF): the fixed 40-byte header and the text chunks that follow it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tunaro::tags {

class TReadOnlyFile;

extern const std::array<const char*, 3> kTwinVQChannelModes;  // "Unknown", "Mono", "Stereo"

class TTwinVQ {
 public:
  TTwinVQ() { Clear(); }

  void Clear();
  // False only when the file cannot be opened or has fewer than 40 bytes.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  bool Found;
  uint8_t ChannelMode;  // 1 mono, 2 stereo, 0 anything else
  uint8_t BitRate;      // kbit/s, low 8 bits
  uint16_t SampleRate;
  int32_t FileSize;
  double Duration;
  std::string Title;         // chunk "NAME"
  std::string Comment;       // chunk "COMT"
  std::string Author;        // chunk "AUTH"
  std::string RightsNotice;  // chunk "(c) "
  std::string SourceFile;    // chunk "FILE"

 private:
  void ReadChunks(TReadOnlyFile& file);
};

}  // namespace tunaro::tags
