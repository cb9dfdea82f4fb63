#include "tags/windowsmedia.h"

namespace tunaro::tags {

void TWindowsMedia::Clear() {
  Found = false;
  Title.clear();
  Author.clear();
  Copyright.clear();
  Description.clear();
  Rating.clear();
}

bool TWindowsMedia::Load(const std::string&) {
  Clear();
  return false;
}

}  // namespace tunaro::tags
