// The ID3v2 reader on arbitrary file contents, loaded by name and from an open file.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/file_reader.h"
#include "tags/id3v2.h"

namespace {

size_t Touch(const tunaro::tags::TID3v2& r) {
  return r.Found + r.MajorVersion + r.Track + tunaro::fuzz::Touch(r.Title) +
         tunaro::fuzz::Touch(r.Artist) + tunaro::fuzz::Touch(r.Album) +
         tunaro::fuzz::Touch(r.Year) + tunaro::fuzz::Touch(r.Genre) +
         tunaro::fuzz::Touch(r.Comment) + r.TitleEncoding + r.ArtistEncoding + r.AlbumEncoding +
         r.YearEncoding + r.GenreEncoding + r.CommentEncoding + tunaro::fuzz::Touch(r.AlbumArtist) +
         static_cast<size_t>(r.TagOffset);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader for all inputs, as the program reuses its readers for every file.
  static tunaro::tags::TID3v2 reader;
  const std::string& path = tunaro::fuzz::InputPath(data, size);
  reader.Load(path);
  volatile size_t sink = 0;
  sink = sink + Touch(reader);
  // The engine reads the ID3v1 block at the end through the same open file afterwards.
  tunaro::tags::TReadOnlyFile file;
  if (file.Open(path)) {
    reader.Load(file);
    sink = sink + Touch(reader);
    // An MP3 without a tag at the start looks for one appended at the end, or before ID3v1.
    reader.LoadAppended(file, file.Size());
    sink = sink + Touch(reader);
    reader.LoadAppended(file, file.Size() - 128);
    uint8_t last[128];
    if (file.Size() >= 128 && file.ReadExactAt(file.Size() - 128, last, sizeof last))
      sink = sink + last[0];
    sink = sink + Touch(reader);
  }
  (void)sink;
  return 0;
}
