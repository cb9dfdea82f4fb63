// The FLAC reader on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/flac.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static tunaro::tags::TFlac reader;
  reader.Load(tunaro::fuzz::InputPath(data, size));
  volatile size_t sink = 0;
  sink = sink + reader.Found + reader.Info.SampleRate + tunaro::fuzz::TouchFields(reader.Comments);
  (void)sink;
  return 0;
}
