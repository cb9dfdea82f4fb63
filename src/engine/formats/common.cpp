#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/apev2.h"
#include "tags/id3v1.h"

namespace tunaro::engine::formats {

TTagTexts ID3v1Texts(const tags::TID3v1& tag) {
  return {LegacyText(tag.Artist), LegacyText(tag.Title),   LegacyText(tag.Album),
          LegacyText(tag.Year),   LegacyText(tag.Comment), ReadyText(TrackText(tag.Track))};
}

TTagTexts TagsAtTheEndTexts(const tags::TAPEv2& ape, const tags::TID3v1& v1) {
  if (!ape.Found) return ID3v1Texts(v1);
  const auto text = [&](const std::string& t) {
    return ape.Version >= 2000 ? UnicodeText(t) : LegacyText(t);
  };
  return {text(ape.Artist), text(ape.Title),   text(ape.Album),
          text(ape.Year),   text(ape.Comment), ReadyText(TrackText(ape.Track))};
}

TJson ID3v1Json(const tags::TID3v1& r, bool loaded, const TTextDecoder& x) {
  return TJson{
      {"Load", loaded},
      {"Found", r.Found},
      {"VersionCode", r.VersionCode},
      {"Title", x.Legacy(r.Title)},
      {"Artist", x.Legacy(r.Artist)},
      {"Album", x.Legacy(r.Album)},
      {"Year", x.Legacy(r.Year)},
      {"Comment", x.Legacy(r.Comment)},
      {"Track", r.Track},
      {"GenreIndex", r.GenreIndex},
  };
}

TJson APEv2Json(const tags::TAPEv2& t, const TTextDecoder& x) {
  const auto text = [&](const std::string& s) { return APETagText(t, s, x.CodePage); };
  return TJson{
      {"Found", t.Found},           {"Version", t.Version},   {"Title", text(t.Title)},
      {"Artist", text(t.Artist)},   {"Album", text(t.Album)}, {"Year", text(t.Year)},
      {"Comment", text(t.Comment)}, {"Genre", text(t.Genre)}, {"Track", t.Track},
  };
}

}  // namespace tunaro::engine::formats
