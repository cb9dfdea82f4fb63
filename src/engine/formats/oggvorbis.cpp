#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/oggvorbis.h"

namespace tunaro::engine::formats {

bool ReadOggVorbis(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TOggVorbis t;
  t.Load(file);
  if (!t.Found) return false;
  texts = {UnicodeText(t.Artist), UnicodeText(t.Title),   UnicodeText(t.Album),
           UnicodeText(t.Year),   UnicodeText(t.Comment), ReadyText(TrackText(t.Track))};
  FallBackToAlbumArtist(texts, UnicodeText(t.AlbumArtist));
  return true;
}

TJson DescribeOggVorbis(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TOggVorbis t;
  const bool loaded = t.Load(file);
  return TJson{{"TOggVorbis", TJson{
                                  {"Load", loaded},
                                  {"Found", t.Found},
                                  {"FileSize", t.FileSize},
                                  {"ChannelMode", t.ChannelMode},
                                  {"SampleRate", t.SampleRate},
                                  {"BitRate", t.BitRate},
                                  {"SampleCount", t.SampleCount},
                                  {"Title", x.Unicode(t.Title)},
                                  {"Artist", x.Unicode(t.Artist)},
                                  {"Album", x.Unicode(t.Album)},
                                  {"Track", t.Track},
                                  {"Year", x.Unicode(t.Year)},
                                  {"Genre", x.Unicode(t.Genre)},
                                  {"Comment", x.Unicode(t.Comment)},
                                  {"Vendor", x.Unicode(t.Vendor)},
                                  {"AlbumArtist", x.Unicode(t.AlbumArtist)},
                              }}};
}

}  // namespace tunaro::engine::formats
