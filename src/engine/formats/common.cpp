#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/apev2.h"
#include "tags/id3v1.h"

namespace tunaro::engine::formats {

TTagText ID3v1Text(const std::string& field, size_t width) {
  return LegacyText(field, field.size() == width);
}

TTagTexts ID3v1Texts(const tags::TID3v1& tag) {
  // The comment is 28 bytes wide where the tag holds a track (ID3v1.1).
  return {ID3v1Text(tag.Artist, 30),
          ID3v1Text(tag.Title, 30),
          ID3v1Text(tag.Album, 30),
          ID3v1Text(tag.Year, 4),
          ID3v1Text(tag.Comment, tag.VersionCode == 2 ? 28 : 30),
          ReadyText(TrackText(tag.Track))};
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
  const auto text = [&](const std::string& field, size_t width) {
    return DecodeTagText(ID3v1Text(field, width), x.CodePage);
  };
  return TJson{
      {"Load", loaded},
      {"Found", r.Found},
      {"VersionCode", r.VersionCode},
      {"Title", text(r.Title, 30)},
      {"Artist", text(r.Artist, 30)},
      {"Album", text(r.Album, 30)},
      {"Year", text(r.Year, 4)},
      {"Comment", text(r.Comment, r.VersionCode == 2 ? 28 : 30)},
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
