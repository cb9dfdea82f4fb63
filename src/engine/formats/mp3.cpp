#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/apev2.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"

namespace tunaro::engine::formats {

namespace {

// The bytes at the end of a file read at once: ID3v1 (128), an APE footer (32) and an ID3v2
// footer (10), and with them the items of most APE tags; the cache warmer reads as much.
constexpr int64_t kTailBytes = 4096;

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

// The tags of an MP3 file, each looked for where writers put it.
struct TMP3Tags {
  tags::TID3v1 V1;
  tags::TID3v2 V2;
  tags::TAPEv2 Ape;
  bool LoadedV1 = false;
  bool LoadedV2 = false;

  explicit TMP3Tags(TReadOnlyFile& file) {
    // ID3v2 first: its read of the file's head brings a small file's tags at the end along.
    LoadedV2 = V2.Load(file);
    // One read for the tags at the end of a larger file: ID3v1, APE, and an appended ID3v2.
    file.Prefetch(file.Size() - kTailBytes, kTailBytes);
    LoadedV1 = V1.Load(file);
    Ape.Load(file);
    // An ID3v2.4 tag appended with a footer, where none stands at the start: it ends before
    // the ID3v1 tag, or before the APE tag.
    if (!V2.Found) {
      const int64_t end = V1.Found ? file.Size() - 128 : file.Size();
      if (!V2.LoadAppended(file, end) && Ape.Found) V2.LoadAppended(file, Ape.TagOffset);
    }
  }
};

// %1..%6 from ID3v1 and ID3v2 alone, as MP3 files always were read.
TTagTexts ID3Texts(const tags::TID3v1& v1, const tags::TID3v2& v2) {
  if (v1.Found && v2.Found)
    return {PickText(v1.Artist, v2.Artist, v2.ArtistEncoding),
            PickText(v1.Title, v2.Title, v2.TitleEncoding),
            PickText(v1.Album, v2.Album, v2.AlbumEncoding),
            PickText(v1.Year, v2.Year, v2.YearEncoding, 4),
            PickText(v1.Comment, v2.Comment, v2.CommentEncoding, v1.VersionCode == 2 ? 28 : 30),
            ReadyText(TrackText(v1.Track != 0 ? v1.Track : v2.Track))};
  return v1.Found ? ID3v1Texts(v1) : ID3v2Texts(v2);
}

}  // namespace

// An APE tag (older foobar2000 versions wrote one, often with an ID3v1 copy in which "?"
// stands for what Latin-1 lacks) gives each field it holds: over ID3v1 always, over ID3v2
// only where the ID3v2 field is empty.
bool ReadMP3(TReadOnlyFile& file, TTagTexts& texts) {
  const TMP3Tags t(file);
  if (!t.V1.Found && !t.V2.Found && !t.Ape.Found) return false;
  texts = ID3Texts(t.V1, t.V2);
  if (t.Ape.Found) {
    const TTagTexts ape = APETexts(t.Ape);
    const TTagTexts v2 = ID3v2Texts(t.V2);  // all empty without the tag
    for (size_t i = 0; i < 5; ++i)
      if (!ape[i].Bytes.empty()) texts[i] = v2[i].Bytes.empty() ? ape[i] : v2[i];
    if (t.Ape.Track != 0) texts[5] = t.V2.Track != 0 ? v2[5] : ape[5];
  }
  FallBackToAlbumArtist(texts, ID3v2TagText(t.V2.AlbumArtist, t.V2.AlbumArtistEncoding));
  if (t.Ape.Found) FallBackToAlbumArtist(texts, APEText(t.Ape, t.Ape.AlbumArtist));
  return true;
}

TJson DescribeMP3(TReadOnlyFile& file, const TTextDecoder& x) {
  const TMP3Tags t(file);
  TJson v2 = ID3v2Json(t.V2, t.LoadedV2, x);
  v2["TagOffset"] = t.V2.TagOffset;
  v2["AlbumArtist"] = x.ID3v2(t.V2.AlbumArtist, t.V2.AlbumArtistEncoding);
  return TJson{
      {"TID3v1", ID3v1Json(t.V1, t.LoadedV1, x)},
      {"TID3v2", v2},
      {"TAPEv2", APEv2Json(t.Ape, x)},
  };
}

}  // namespace tunaro::engine::formats
