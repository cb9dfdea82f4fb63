#include "tags/realmedia.h"

namespace tunaro::tags {

void TRealMedia::Clear() {
  Found = false;
  Title.clear();
  Artist.clear();
}

bool TRealMedia::Load(const std::string&) {
  Clear();
  return false;
}

}  // namespace tunaro::tags
