// The Monkey's Audio reader and its inner ID3v1 and APE tag readers on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/monkey.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader for all inputs, as the program reuses its readers for every file.
  static tunaro::tags::TMonkey reader;
  reader.Load(tunaro::fuzz::InputPath(data, size));
  volatile size_t sink = 0;
  sink = sink + reader.Found() + tunaro::fuzz::Touch(reader.ID3v1->Title) +
         tunaro::fuzz::Touch(reader.ID3v1->Artist) + tunaro::fuzz::Touch(reader.ID3v1->Album) +
         tunaro::fuzz::Touch(reader.ID3v1->Comment) + reader.ID3v1->Found +
         tunaro::fuzz::Touch(reader.APEv2->Title) + tunaro::fuzz::Touch(reader.APEv2->Artist) +
         reader.BitsPerSample + reader.BlocksPerFrame;
  (void)sink;
  return 0;
}
