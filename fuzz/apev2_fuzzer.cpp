// The APE tag reader on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/apev2.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader for all inputs, as the program reuses its readers for every file.
  static tunaro::tags::TAPEv2 reader;
  reader.Load(tunaro::fuzz::InputPath(data, size));
  using tunaro::fuzz::Touch;
  volatile size_t sink = 0;
  sink = sink + reader.Found + Touch(reader.Title) + Touch(reader.Artist) + Touch(reader.Album) +
         Touch(reader.Year) + Touch(reader.Comment) + Touch(reader.Genre) +
         Touch(reader.AlbumArtist) + Touch(reader.Composer) + reader.Track + reader.ItemCount;
  (void)sink;
  return 0;
}
