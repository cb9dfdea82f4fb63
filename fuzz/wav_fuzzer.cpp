// The WAV reader (chunk walk, INFO list, ID3 chunk) on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/wav.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader for all inputs, as the program reuses its readers for every file.
  static tunaro::tags::TWav reader;
  reader.Load(tunaro::fuzz::InputPath(data, size));
  using tunaro::fuzz::Touch;
  volatile size_t sink = 0;
  sink = sink + reader.Found + reader.Channels + reader.DataBytes + Touch(reader.Title) +
         Touch(reader.Artist) + Touch(reader.Album) + Touch(reader.Date) + Touch(reader.Comment) +
         Touch(reader.Genre) + reader.Track + tunaro::fuzz::TouchTag(*reader.ID3v2);
  (void)sink;
  return 0;
}
