// The TwinVQ reader on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/twinvq.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader for all inputs, as the program reuses its readers for every file.
  static tunaro::tags::TTwinVQ reader;
  reader.Load(tunaro::fuzz::InputPath(data, size));
  volatile size_t sink = 0;
  sink = sink + reader.Found + tunaro::fuzz::Touch(reader.Title) +
         tunaro::fuzz::Touch(reader.Comment) + tunaro::fuzz::Touch(reader.Author) +
         tunaro::fuzz::Touch(reader.RightsNotice) + tunaro::fuzz::Touch(reader.SourceFile) +
         static_cast<size_t>(reader.Duration);
  (void)sink;
  return 0;
}
