// The Windows Media reader on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/windowsmedia.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader for all inputs, as the program reuses its readers for every file.
  static tunaro::tags::TWindowsMedia reader;
  reader.Load(tunaro::fuzz::InputPath(data, size));
  volatile size_t sink = 0;
  sink = sink + reader.Found + tunaro::fuzz::Touch(reader.Title) +
         tunaro::fuzz::Touch(reader.Author) + tunaro::fuzz::Touch(reader.Copyright) +
         tunaro::fuzz::Touch(reader.Description) + tunaro::fuzz::Touch(reader.Rating) +
         tunaro::fuzz::Touch(reader.AlbumArtist);
  (void)sink;
  return 0;
}
