#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace tunaro::engine::formats {

namespace {

// An MP3 with both tags takes each field from ID3v1, except where the ID3v1 field is a lossy
// copy of the ID3v2 one:
//   - the ID3v2 text is Unicode (taggers copy it into ID3v1 in a code page, with "?" for what
//     that lacks), or
//   - the ID3v1 text is a proper prefix of the ID3v2 text, compared as bytes (ID3v1 cuts at
//     30 bytes; an empty ID3v1 field is the shortest prefix).
// An empty ID3v2 text never wins, and legacy ID3v2 text that differs otherwise loses to
// ID3v1, as it always has.
TTagText PickText(const std::string& v1, const std::string& v2, uint8_t v2Encoding,
                  size_t width = 30) {
  const bool lossyCopy =
      !v2.empty() && (tags::TID3v2::IsUnicode(v2Encoding) ||
                      (v2.size() > v1.size() && v2.compare(0, v1.size(), v1) == 0));
  return lossyCopy ? ID3v2TagText(v2, v2Encoding) : ID3v1Text(v1, width);
}

}  // namespace

bool ReadMP3(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TID3v1 v1;
  tags::TID3v2 v2;
  // ID3v2 first: its read of the file's head brings a small file's ID3v1 tag along.
  v2.Load(file);
  v1.Load(file);
  if (v1.Found && v2.Found) {
    texts = {PickText(v1.Artist, v2.Artist, v2.ArtistEncoding),
             PickText(v1.Title, v2.Title, v2.TitleEncoding),
             PickText(v1.Album, v2.Album, v2.AlbumEncoding),
             PickText(v1.Year, v2.Year, v2.YearEncoding, 4),
             PickText(v1.Comment, v2.Comment, v2.CommentEncoding, v1.VersionCode == 2 ? 28 : 30),
             ReadyText(TrackText(v1.Track != 0 ? v1.Track : v2.Track))};
    return true;
  }
  if (v1.Found) {
    texts = ID3v1Texts(v1);
    return true;
  }
  if (!v2.Found) return false;
  texts = ID3v2Texts(v2);
  return true;
}

TJson DescribeMP3(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TID3v1 v1;
  tags::TID3v2 t;
  const bool loaded1 = v1.Load(file);
  const bool loaded2 = t.Load(file);
  return TJson{
      {"TID3v1", ID3v1Json(v1, loaded1, x)},
      {"TID3v2", ID3v2Json(t, loaded2, x)},
  };
}

}  // namespace tunaro::engine::formats
