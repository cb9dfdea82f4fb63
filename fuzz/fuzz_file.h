// The readers open files by name, so every input goes into one in-memory file per process,
// reached through /proc/self/fd: no disk writes and nothing left behind.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace tunaro::fuzz {

inline const std::string& InputPath(const uint8_t* data, size_t size) {
  static const int fd = memfd_create("tunaro-fuzz", MFD_CLOEXEC);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (fd < 0 || ftruncate(fd, 0) != 0) std::abort();
  size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<size_t>(n);
  }
  return path;
}

// Reads every byte of a text field, so that a field pointing outside its buffer is noticed
// by the address checker even where nothing else would touch it.
inline size_t Touch(const std::string& s) {
  size_t sum = 0;
  for (unsigned char c : s) sum += c;
  return sum;
}

// Every text of a Vorbis comment reader.
template <class TFields>
size_t TouchFields(const TFields& f) {
  return Touch(f.Vendor) + Touch(f.Title) + Touch(f.Artist) + Touch(f.Album) + Touch(f.Track) +
         Touch(f.Date) + Touch(f.Genre) + Touch(f.Comment) + Touch(f.AlbumArtist) +
         Touch(f.Description) + Touch(f.Author);
}

// Every text and the track of a tag that has the common fields (ID3v2, APE).
template <class TTag>
size_t TouchTag(const TTag& t) {
  return Touch(t.Title) + Touch(t.Artist) + Touch(t.Album) + Touch(t.Year) + Touch(t.Comment) +
         Touch(t.Genre) + Touch(t.AlbumArtist) + t.Track + t.Found;
}

}  // namespace tunaro::fuzz
