#include "engine/readers.h"

#include "tags/file_reader.h"

namespace tunaro::engine {

using platform::LegacyToUtf8;
using platform::TCodePage;

const std::array<TReaderType, 8> kReaderTypes = {{
    {TReaderKind::None, ""},
    {TReaderKind::MP3, "MP3"},
    {TReaderKind::TwinVQ, "TwinVQ"},
    {TReaderKind::OggVorbis, "OggVorbis"},
    {TReaderKind::Monkey, "Monkey"},
    {TReaderKind::MPEGplus, "MPEGplus"},
    {TReaderKind::RealMedia, "RealMedia"},
    {TReaderKind::WindowsMedia, "WindowsMedia"},
}};

std::string UnicodeTagText(const std::string& text, TCodePage codePage) {
  if (platform::IsValidUtf8(text)) return text;
  // A reader that bounds its texts may cut the last character: drop its first bytes.
  size_t end = text.size();
  for (size_t k = 0; k < 3 && end > 0; ++k) {
    const auto c = static_cast<unsigned char>(text[end - 1]);
    --end;
    if (c >= 0xC0) break;      // the lead byte of the cut sequence
    if ((c & 0xC0) != 0x80) {  // no continuation byte: nothing was cut
      end = text.size();
      break;
    }
  }
  if (end < text.size() && platform::IsValidUtf8(std::string_view(text).substr(0, end)))
    return text.substr(0, end);
  return LegacyToUtf8(text, codePage);
}

std::string ID3v2Text(const std::string& text, uint8_t encoding, TCodePage cp) {
  return tags::TID3v2::IsUnicode(encoding) ? text : LegacyToUtf8(text, cp);
}

std::string APETagText(const tags::TAPEv2& tag, const std::string& text, TCodePage cp) {
  return tag.Version >= 2000 ? UnicodeTagText(text, cp) : LegacyToUtf8(text, cp);
}

namespace {

void FromID3v1(const tags::TID3v1& tag, TCodePage cp, TFieldValues& v) {
  v = {LegacyToUtf8(tag.Artist, cp), LegacyToUtf8(tag.Title, cp),   LegacyToUtf8(tag.Album, cp),
       LegacyToUtf8(tag.Year, cp),   LegacyToUtf8(tag.Comment, cp), TrackText(tag.Track)};
}

// An MP3 with both tags takes each field from ID3v1, except where the ID3v1 field is a lossy
// copy of the ID3v2 one:
//   - the ID3v2 text is Unicode (taggers copy it into ID3v1 in a code page, with "?" for what
//     that lacks), or
//   - the ID3v1 text is a proper prefix of the ID3v2 text, compared as bytes (ID3v1 cuts at
//     30 bytes; an empty ID3v1 field is the shortest prefix).
// An empty ID3v2 text never wins, and legacy ID3v2 text that differs otherwise loses to
// ID3v1, as it always has.
std::string PickText(const std::string& v1, const std::string& v2, uint8_t v2Encoding,
                     TCodePage cp) {
  const bool lossyCopy =
      !v2.empty() && (tags::TID3v2::IsUnicode(v2Encoding) ||
                      (v2.size() > v1.size() && v2.compare(0, v1.size(), v1) == 0));
  return lossyCopy ? ID3v2Text(v2, v2Encoding, cp) : LegacyToUtf8(v1, cp);
}

bool ReadMP3(TReaders& r, const std::string& path, TCodePage cp, TFieldValues& v) {
  tags::TID3v1& v1 = r.ID3v1;
  tags::TID3v2& v2 = r.ID3v2;
  // Both tags through one open: the ID3v2 header is one read at the start of the file.
  {
    tags::TReadOnlyFile file;
    v1.Clear();
    v2.Clear();
    // ID3v2 first: its read of the file's head brings a small file's ID3v1 tag along.
    if (file.Open(path)) {
      v2.Load(file);
      v1.Load(file);
    }
  }
  if (v1.Found && v2.Found) {
    v = {PickText(v1.Artist, v2.Artist, v2.ArtistEncoding, cp),
         PickText(v1.Title, v2.Title, v2.TitleEncoding, cp),
         PickText(v1.Album, v2.Album, v2.AlbumEncoding, cp),
         PickText(v1.Year, v2.Year, v2.YearEncoding, cp),
         PickText(v1.Comment, v2.Comment, v2.CommentEncoding, cp),
         TrackText(v1.Track != 0 ? v1.Track : v2.Track)};
    return true;
  }
  if (v1.Found) {
    FromID3v1(v1, cp, v);
    return true;
  }
  if (!v2.Found) return false;
  v = {ID3v2Text(v2.Artist, v2.ArtistEncoding, cp),   ID3v2Text(v2.Title, v2.TitleEncoding, cp),
       ID3v2Text(v2.Album, v2.AlbumEncoding, cp),     ID3v2Text(v2.Year, v2.YearEncoding, cp),
       ID3v2Text(v2.Comment, v2.CommentEncoding, cp), TrackText(v2.Track)};
  return true;
}

bool ReadTwinVQ(TReaders& r, const std::string& path, TCodePage cp, TFieldValues& v) {
  r.TwinVQ.Load(path);
  if (!r.TwinVQ.Found) return false;
  v = {LegacyToUtf8(r.TwinVQ.Author, cp),
       LegacyToUtf8(r.TwinVQ.Title, cp),
       "",
       "",
       LegacyToUtf8(r.TwinVQ.Comment, cp),
       ""};
  return true;
}

bool ReadOggVorbis(TReaders& r, const std::string& path, TCodePage cp, TFieldValues& v) {
  tags::TOggVorbis& t = r.OggVorbis;
  t.Load(path);
  if (!t.Found) return false;
  v = {UnicodeTagText(t.Artist, cp), UnicodeTagText(t.Title, cp),   UnicodeTagText(t.Album, cp),
       UnicodeTagText(t.Year, cp),   UnicodeTagText(t.Comment, cp), TrackText(t.Track)};
  return true;
}

// Monkey's Audio and Musepack files: the APE tag where the file has one (APEv2 texts are
// UTF-8, APEv1 texts code-page bytes), else the ID3v1 tag.
void FromTagsAtTheEnd(const tags::TAPEv2& ape, const tags::TID3v1& v1, TCodePage cp,
                      TFieldValues& v) {
  if (!ape.Found) {
    FromID3v1(v1, cp, v);
    return;
  }
  const auto text = [&](const std::string& t) { return APETagText(ape, t, cp); };
  v = {text(ape.Artist), text(ape.Title),   text(ape.Album),
       text(ape.Year),   text(ape.Comment), TrackText(ape.Track)};
}

bool ReadMonkey(TReaders& r, const std::string& path, TCodePage cp, TFieldValues& v) {
  r.Monkey.Load(path);
  if (!r.Monkey.Found()) return false;
  FromTagsAtTheEnd(*r.Monkey.APEv2, *r.Monkey.ID3v1, cp, v);
  return true;
}

bool ReadMPEGplus(TReaders& r, const std::string& path, TCodePage cp, TFieldValues& v) {
  r.MPEGplus.Load(path);
  if (!r.MPEGplus.Found) return false;
  FromTagsAtTheEnd(*r.MPEGplus.APEv2, *r.MPEGplus.ID3v1, cp, v);
  return true;
}

bool ReadRealMedia(TReaders& r, const std::string& path, TCodePage cp, TFieldValues& v) {
  r.RealMedia.Load(path);
  if (!r.RealMedia.Found) return false;
  v = {LegacyToUtf8(r.RealMedia.Artist, cp), LegacyToUtf8(r.RealMedia.Title, cp), "", "", "", ""};
  return true;
}

bool ReadWindowsMedia(TReaders& r, const std::string& path, TCodePage cp, TFieldValues& v) {
  tags::TWindowsMedia& t = r.WindowsMedia;
  t.Load(path);
  if (!t.Found) return false;
  v = {UnicodeTagText(t.Author, cp),    UnicodeTagText(t.Title, cp),
       UnicodeTagText(t.Copyright, cp), UnicodeTagText(t.Description, cp),
       UnicodeTagText(t.Rating, cp),    ""};
  return true;
}

using TFieldReader = bool (*)(TReaders&, const std::string&, TCodePage, TFieldValues&);

// Indexed by TReaderKind, like kReaderTypes.
constexpr std::array<TFieldReader, 8> kFieldReaders = {nullptr,       ReadMP3,         ReadTwinVQ,
                                                       ReadOggVorbis, ReadMonkey,      ReadMPEGplus,
                                                       ReadRealMedia, ReadWindowsMedia};

}  // namespace

bool ReadFieldValues(TReaders& r, TReaderKind kind, const std::string& path, TCodePage codePage,
                     TFieldValues& values) {
  const TFieldReader read = kFieldReaders[static_cast<size_t>(kind)];
  return read != nullptr && read(r, path, codePage, values);
}

}  // namespace tunaro::engine
