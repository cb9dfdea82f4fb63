// The AIFF reader (chunk walk, text chunks, ID3 chunk) on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/aiff.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader for all inputs, as the program reuses its readers for every file.
  static tunaro::tags::TAiff reader;
  reader.Load(tunaro::fuzz::InputPath(data, size));
  using tunaro::fuzz::Touch;
  volatile size_t sink = 0;
  sink = sink + reader.Found + reader.Channels + reader.SampleRate + Touch(reader.Name) +
         Touch(reader.Author) + Touch(reader.Annotation) + tunaro::fuzz::TouchTag(*reader.ID3v2);
  (void)sink;
  return 0;
}
