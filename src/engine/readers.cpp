#include "engine/readers.h"

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

namespace {

void FromID3v1(const tags::TID3v1& tag, TCodePage cp, TFieldValues& v) {
  v = {LegacyToUtf8(tag.Artist, cp), LegacyToUtf8(tag.Title, cp),   LegacyToUtf8(tag.Album, cp),
       LegacyToUtf8(tag.Year, cp),   LegacyToUtf8(tag.Comment, cp), TrackText(tag.Track)};
}

bool ReadMP3(TReaders& r, const std::string& path, TCodePage cp, TFieldValues& v) {
  r.ID3v1.Load(path);
  if (r.ID3v1.Found) {
    FromID3v1(r.ID3v1, cp, v);
    return true;
  }
  r.ID3v2.Load(path);
  if (!r.ID3v2.Found) return false;
  v = {LegacyToUtf8(r.ID3v2.Artist, cp),  LegacyToUtf8(r.ID3v2.Title, cp),
       LegacyToUtf8(r.ID3v2.Album, cp),   LegacyToUtf8(r.ID3v2.Year, cp),
       LegacyToUtf8(r.ID3v2.Comment, cp), TrackText(r.ID3v2.Track)};
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

bool ReadMonkey(TReaders& r, const std::string& path, TCodePage cp, TFieldValues& v) {
  r.Monkey.Load(path);
  if (!r.Monkey.Found()) return false;
  FromID3v1(*r.Monkey.ID3v1, cp, v);
  return true;
}

bool ReadMPEGplus(TReaders& r, const std::string& path, TCodePage cp, TFieldValues& v) {
  r.MPEGplus.Load(path);
  if (!r.MPEGplus.Found) return false;
  FromID3v1(*r.MPEGplus.ID3v1, cp, v);
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
