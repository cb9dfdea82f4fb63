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
  FallBackToAlbumArtist(texts, UnicodeText(t.AlbumArtist));
  return true;
}

TJson DescribeWindowsMedia(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TWindowsMedia t;
  const bool loaded = t.Load(file);
  // The album artist comes from another object than the five texts: it is listed apart, so
  // that their listing stays as it was.
  return TJson{{"TWindowsMedia",
                TJson{
                    {"Load", loaded},
                    {"Found", t.Found},
                    {"Title", x.Unicode(t.Title)},
                    {"Author", x.Unicode(t.Author)},
                    {"Copyright", x.Unicode(t.Copyright)},
                    {"Description", x.Unicode(t.Description)},
                    {"Rating", x.Unicode(t.Rating)},
                }},
               {"ExtendedContent", TJson{{"AlbumArtist", x.Unicode(t.AlbumArtist)}}}};
}

}  // namespace tunaro::engine::formats
