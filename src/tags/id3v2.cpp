#include "tags/id3v2.h"

namespace tunaro::tags {

void TID3v2::Clear() {
  Found = false;
  MajorVersion = 0;
  TagSize = 0;
  Title.clear();
  Artist.clear();
  Album.clear();
  Track = 0;
  Year.clear();
  Genre.clear();
  Comment.clear();
}

// Not read yet: this reader comes with its own work.
bool TID3v2::Load(const std::string&) {
  Clear();
  return false;
}

}  // namespace tunaro::tags
