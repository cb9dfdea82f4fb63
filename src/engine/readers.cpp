#include "engine/readers.h"

namespace tunaro::engine {

namespace {

void FromID3v1(const tags::TID3v1& tag, TFieldValues& v) {
  v = {tag.Artist, tag.Title, tag.Album, tag.Year, tag.Comment, TrackText(tag.Track)};
}

}  // namespace

bool ReadFieldValues(TReaders& r, TReaderKind kind, const std::string& path, TFieldValues& v) {
  switch (kind) {
    case TReaderKind::MP3:
      r.ID3v1.Load(path);
      if (r.ID3v1.Found) {
        FromID3v1(r.ID3v1, v);
        return true;
      }
      r.ID3v2.Load(path);
      if (!r.ID3v2.Found) return false;
      v = {r.ID3v2.Artist, r.ID3v2.Title,   r.ID3v2.Album,
           r.ID3v2.Year,   r.ID3v2.Comment, TrackText(r.ID3v2.Track)};
      return true;
    case TReaderKind::TwinVQ:
      r.TwinVQ.Load(path);
      if (!r.TwinVQ.Found) return false;
      v = {r.TwinVQ.Author, r.TwinVQ.Title, "", "", r.TwinVQ.Comment, ""};
      return true;
    case TReaderKind::OggVorbis:
      r.OggVorbis.Load(path);
      if (!r.OggVorbis.Found) return false;
      v = {r.OggVorbis.Artist, r.OggVorbis.Title,   r.OggVorbis.Album,
           r.OggVorbis.Year,   r.OggVorbis.Comment, TrackText(r.OggVorbis.Track)};
      return true;
    case TReaderKind::Monkey:
      r.Monkey.Load(path);
      if (!r.Monkey.Found()) return false;
      FromID3v1(*r.Monkey.ID3v1, v);
      return true;
    case TReaderKind::MPEGplus:
      r.MPEGplus.Load(path);
      if (!r.MPEGplus.Found) return false;
      FromID3v1(*r.MPEGplus.ID3v1, v);
      return true;
    case TReaderKind::RealMedia:
      r.RealMedia.Load(path);
      if (!r.RealMedia.Found) return false;
      v = {r.RealMedia.Artist, r.RealMedia.Title, "", "", "", ""};
      return true;
    case TReaderKind::WindowsMedia:
      r.WindowsMedia.Load(path);
      if (!r.WindowsMedia.Found) return false;
      v = {r.WindowsMedia.Author,      r.WindowsMedia.Title,  r.WindowsMedia.Copyright,
           r.WindowsMedia.Description, r.WindowsMedia.Rating, ""};
      return true;
    case TReaderKind::None:
      break;
  }
  return false;
}

}  // namespace tunaro::engine
