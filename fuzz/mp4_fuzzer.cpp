// The MP4 reader on arbitrary file contents.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/mp4.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader for all inputs, as the program reuses its readers for every file.
  static tunaro::tags::TMP4 reader;
  reader.Load(tunaro::fuzz::InputPath(data, size));
  volatile size_t sink = 0;
  sink = sink + reader.Found + reader.HasVideo + tunaro::fuzz::Touch(reader.MajorBrand) +
         tunaro::fuzz::Touch(reader.Title) + tunaro::fuzz::Touch(reader.Artist) +
         tunaro::fuzz::Touch(reader.AlbumArtist) + tunaro::fuzz::Touch(reader.Album) +
         tunaro::fuzz::Touch(reader.Year) + tunaro::fuzz::Touch(reader.Comment) + reader.Track;
  (void)sink;
  return 0;
}
