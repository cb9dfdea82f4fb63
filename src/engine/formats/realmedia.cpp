#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/realmedia.h"

namespace tunaro::engine::formats {

bool ReadRealMedia(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TRealMedia t;
  t.Load(file);
  if (!t.Found) return false;
  texts = {LegacyText(t.Artist), LegacyText(t.Title), {}, {}, {}, {}};
  return true;
}

TJson DescribeRealMedia(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TRealMedia t;
  const bool loaded = t.Load(file);
  return TJson{{"TRealMedia", TJson{
                                  {"Load", loaded},
                                  {"Found", t.Found},
                                  {"Title", x.Legacy(t.Title)},
                                  {"Artist", x.Legacy(t.Artist)},
                              }}};
}

}  // namespace tunaro::engine::formats
