#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/mp4.h"

namespace tunaro::engine::formats {

bool ReadMP4(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TMP4 t;
  t.Load(file);
  if (!t.Found) return false;
  texts = {UnicodeText(t.Artist),  UnicodeText(t.Title),
           UnicodeText(t.Album),   UnicodeText(t.Year),
           UnicodeText(t.Comment), ReadyText(TrackText(static_cast<uint8_t>(t.Track)))};
  FallBackToAlbumArtist(texts, UnicodeText(t.AlbumArtist));
  return true;
}

TJson DescribeMP4(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TMP4 t;
  const bool loaded = t.Load(file);
  return TJson{{"TMP4", TJson{
                            {"Load", loaded},
                            {"Found", t.Found},
                            {"MajorBrand", x.Legacy(t.MajorBrand)},
                            {"HasVideo", t.HasVideo},
                            {"Title", x.Unicode(t.Title)},
                            {"Artist", x.Unicode(t.Artist)},
                            {"AlbumArtist", x.Unicode(t.AlbumArtist)},
                            {"Album", x.Unicode(t.Album)},
                            {"Track", t.Track},
                            {"Year", x.Unicode(t.Year)},
                            {"Comment", x.Unicode(t.Comment)},
                        }}};
}

}  // namespace tunaro::engine::formats
