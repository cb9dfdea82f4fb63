#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/windowsmedia.h"

namespace tunaro::engine::formats {

bool ReadWindowsMedia(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TWindowsMedia t;
  t.Load(file);
  if (!t.Found) return false;
  texts = {UnicodeText(t.Author),      UnicodeText(t.Title),  UnicodeText(t.Copyright),
           UnicodeText(t.Description), UnicodeText(t.Rating), {}};
  return true;
}

TJson DescribeWindowsMedia(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TWindowsMedia t;
  const bool loaded = t.Load(file);
  return TJson{{"TWindowsMedia", TJson{
                                     {"Load", loaded},
                                     {"Found", t.Found},
                                     {"Title", x.Unicode(t.Title)},
                                     {"Author", x.Unicode(t.Author)},
                                     {"Copyright", x.Unicode(t.Copyright)},
                                     {"Description", x.Unicode(t.Description)},
                                     {"Rating", x.Unicode(t.Rating)},
                                 }}};
}

}  // namespace tunaro::engine::formats
