// The APE tag reader on arbitrary file contents.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_file.h"
#include "tags/apev2.h"
#include "tags/text.h"

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
  // APEv2 texts leave the reader as valid UTF-8, whatever the file held.
  if (reader.Version == 2000)
    for (const auto* text : {&reader.Title, &reader.Artist, &reader.Album, &reader.Comment})
      if (tunaro::tags::SanitizeUtf8(*text) != *text) std::abort();
  return 0;
}
