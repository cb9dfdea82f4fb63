// The WavPack reader and its inner ID3v1 and APE tag readers on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/wavpack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader for all inputs, as the program reuses its readers for every file.
  static tunaro::tags::TWavPack reader;
  reader.Load(tunaro::fuzz::InputPath(data, size));
  volatile size_t sink = 0;
  sink = sink + reader.Found + reader.SampleRate + reader.BitsPerSample +
         tunaro::fuzz::Touch(reader.ID3v1->Title) + tunaro::fuzz::Touch(reader.ID3v1->Artist) +
         tunaro::fuzz::TouchTag(*reader.APEv2);
  (void)sink;
  return 0;
}
