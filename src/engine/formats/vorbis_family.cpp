#include "engine/formats/vorbis_family.h"

#include "tags/flac.h"
#include "tags/text.h"

namespace tunaro::engine::formats {

TTagTexts VorbisCommentTexts(const tags::TVorbisFields& f) {
  TTagTexts texts = {UnicodeText(f.Artist),
                     UnicodeText(f.Title),
                     UnicodeText(f.Album),
                     UnicodeText(f.Date),
                     UnicodeText(f.Comment.empty() ? f.Description : f.Comment),
                     ReadyText(TrackText(tags::TrackFromText(f.Track)))};
  FallBackToAlbumArtist(texts, UnicodeText(f.AlbumArtist));
  FallBackToAlbumArtist(texts, UnicodeText(f.Author));
  return texts;
}

void AddVorbisCommentJson(TJson& json, const tags::TVorbisFields& f, const TTextDecoder& x) {
  json["Title"] = x.Unicode(f.Title);
  json["Artist"] = x.Unicode(f.Artist);
  json["AlbumArtist"] = x.Unicode(f.AlbumArtist);
  json["Author"] = x.Unicode(f.Author);
  json["Album"] = x.Unicode(f.Album);
  json["Track"] = tags::TrackFromText(f.Track);
  json["Date"] = x.Unicode(f.Date);
  json["Genre"] = x.Unicode(f.Genre);
  json["Comment"] = x.Unicode(f.Comment);
  json["Description"] = x.Unicode(f.Description);
  json["Vendor"] = x.Unicode(f.Vendor);
}

TJson FlacStreamInfoJson(const tags::TFlacStreamInfo& info) {
  return TJson{{"SampleRate", info.SampleRate},
               {"Channels", info.Channels},
               {"BitsPerSample", info.BitsPerSample},
               {"SampleCount", info.SampleCount}};
}

}  // namespace tunaro::engine::formats
