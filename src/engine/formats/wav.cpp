#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/wav.h"

namespace tunaro::engine::formats {

bool ReadWav(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TWav t;
  t.Load(file);
  if (!t.Found) return false;
  const tags::TID3v2& id3 = *t.ID3v2;
  // The ID3 chunk's tag wins field by field; what it leaves empty the INFO list gives.
  texts = ID3v2Texts(id3);
  const TTagTexts info = {LegacyText(t.Artist), LegacyText(t.Title),   LegacyText(t.Album),
                          LegacyText(t.Date),   LegacyText(t.Comment), {}};
  for (size_t i = 0; i < info.size(); ++i)
    if (texts[i].Bytes.empty()) texts[i] = info[i];
  texts[5] = ReadyText(TrackText(id3.Track != 0 ? id3.Track : t.Track));
  FallBackToAlbumArtist(texts, ID3v2TagText(id3.AlbumArtist, id3.AlbumArtistEncoding));
  return true;
}

TJson DescribeWav(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TWav t;
  const bool loaded = t.Load(file);
  return TJson{{"TWav", TJson{
                            {"Load", loaded},
                            {"Found", t.Found},
                            {"FormatTag", t.FormatTag},
                            {"Channels", t.Channels},
                            {"SampleRate", t.SampleRate},
                            {"BitsPerSample", t.BitsPerSample},
                            {"DataBytes", t.DataBytes},
                            {"INFO",
                             TJson{
                                 {"Found", t.InfoFound},
                                 {"Title", x.Legacy(t.Title)},
                                 {"Artist", x.Legacy(t.Artist)},
                                 {"Album", x.Legacy(t.Album)},
                                 {"Date", x.Legacy(t.Date)},
                                 {"Comment", x.Legacy(t.Comment)},
                                 {"Genre", x.Legacy(t.Genre)},
                                 {"Track", t.Track},
                             }},
                            {"ID3v2", ChunkID3v2Json(*t.ID3v2, x)},
                        }}};
}

}  // namespace tunaro::engine::formats
