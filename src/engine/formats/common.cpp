#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/apev2.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

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

TTagText APEText(const tags::TAPEv2& tag, const std::string& text) {
  return tag.Version >= 2000 ? UnicodeText(text) : LegacyText(text);
}

TTagTexts APETexts(const tags::TAPEv2& ape) {
  const auto text = [&](const std::string& t) { return APEText(ape, t); };
  return {text(ape.Artist), text(ape.Title),   text(ape.Album),
          text(ape.Year),   text(ape.Comment), ReadyText(TrackText(ape.Track))};
}

TTagTexts TagsAtTheEndTexts(const tags::TAPEv2& ape, const tags::TID3v1& v1) {
  if (!ape.Found) return ID3v1Texts(v1);
  TTagTexts texts = APETexts(ape);
  FallBackToAlbumArtist(texts, APEText(ape, ape.AlbumArtist));
  return texts;
}

TTagText ID3v2TagText(const std::string& text, uint8_t encoding) {
  return tags::TID3v2::IsUnicode(encoding) ? ReadyText(text) : LegacyText(text);
}

TTagTexts ID3v2Texts(const tags::TID3v2& v2) {
  return {ID3v2TagText(v2.Artist, v2.ArtistEncoding),   ID3v2TagText(v2.Title, v2.TitleEncoding),
          ID3v2TagText(v2.Album, v2.AlbumEncoding),     ID3v2TagText(v2.Year, v2.YearEncoding),
          ID3v2TagText(v2.Comment, v2.CommentEncoding), ReadyText(TrackText(v2.Track))};
}

void FallBackToAlbumArtist(TTagTexts& texts, TTagText albumArtist) {
  if (texts[0].Bytes.empty()) texts[0] = std::move(albumArtist);
}

TTagTexts ChunkID3v2Texts(const tags::TID3v2& tag) {
  TTagTexts texts = ID3v2Texts(tag);
  FallBackToAlbumArtist(texts, ID3v2TagText(tag.AlbumArtist, tag.AlbumArtistEncoding));
  return texts;
}

TJson ID3v1Json(const tags::TID3v1& r, bool loaded, const TTextDecoder& x) {
  // The fields as the tag holds them, untrimmed, each decoded as the rename decodes it.
  const auto text = [&](const std::string& field, size_t width) {
    return DecodeTagText({field, TTextKind::Legacy, field.size() == width}, x.Reading);
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

TJson ID3v2Json(const tags::TID3v2& t, bool loaded, const TTextDecoder& x) {
  return TJson{
      {"Load", loaded},
      {"Found", t.Found},
      {"MajorVersion", t.MajorVersion},
      {"TagSize", t.TagSize},
      {"Title", x.ID3v2(t.Title, t.TitleEncoding)},
      {"Artist", x.ID3v2(t.Artist, t.ArtistEncoding)},
      {"Album", x.ID3v2(t.Album, t.AlbumEncoding)},
      {"Track", t.Track},
      {"Year", x.ID3v2(t.Year, t.YearEncoding)},
      {"Genre", x.ID3v2(t.Genre, t.GenreEncoding)},
      {"Comment", x.ID3v2(t.Comment, t.CommentEncoding)},
      {"Encodings", TJson{{"Title", t.TitleEncoding},
                          {"Artist", t.ArtistEncoding},
                          {"Album", t.AlbumEncoding},
                          {"Year", t.YearEncoding},
                          {"Genre", t.GenreEncoding},
                          {"Comment", t.CommentEncoding}}},
  };
}

TJson ChunkID3v2Json(const tags::TID3v2& t, const TTextDecoder& x) {
  TJson json = ID3v2Json(t, t.Found, x);
  json.erase("Load");  // the tag is read from within the file, never opened by itself
  json["AlbumArtist"] = x.ID3v2(t.AlbumArtist, t.AlbumArtistEncoding);
  return json;
}

TJson APEv2Json(const tags::TAPEv2& t, const TTextDecoder& x) {
  const auto text = [&](const std::string& s) { return x.APE(t, s); };
  return TJson{
      {"Found", t.Found},           {"Version", t.Version},
      {"Title", text(t.Title)},     {"Artist", text(t.Artist)},
      {"Album", text(t.Album)},     {"Year", text(t.Year)},
      {"Comment", text(t.Comment)}, {"Genre", text(t.Genre)},
      {"Track", t.Track},           {"AlbumArtist", text(t.AlbumArtist)},
  };
}

}  // namespace tunaro::engine::formats
