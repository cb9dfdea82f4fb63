// The DSF reader and the ID3v2 tag at its metadata offset on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/dsf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader for all inputs, as the program reuses its readers for every file.
  static tunaro::tags::TDsf reader;
  reader.Load(tunaro::fuzz::InputPath(data, size));
  volatile size_t sink = 0;
  sink = sink + reader.Found + reader.MetadataOffset + reader.SampleCount +
         tunaro::fuzz::TouchTag(*reader.ID3v2);
  (void)sink;
  return 0;
}
