// MPEG-4 audio (.m4a, .m4b, .mp4; AAC or ALAC): the item list moov/udta/meta/ilst that
// iTunes, ffmpeg, AtomicParsley and mutagen write. The top-level boxes are stepped over by
// their sizes, so a moov after the media data (ffmpeg's default) is found without reading
// that data. A file with an enabled video track is a film, not an audio file: not Found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tunaro::tags {

class TReadOnlyFile;

class TMP4 {
 public:
  TMP4() { Clear(); }

  void Clear();
  // False when the file cannot be opened or no moov box is found by its boxes' sizes.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open.
  bool Load(TReadOnlyFile& file);

  // Bounds against damaged or hostile files: the walk ends after kMaxBoxes boxes, and a data
  // value longer than kMaxTextBytes is stepped over unread (cover art is never read alone).
  // Each read takes a whole box at once up to kMaxRead bytes: the moov at the end of a
  // moov-last file, or the udta of a moov at the head.
  static constexpr size_t kMaxBoxes = 4096;
  static constexpr uint32_t kMaxTextBytes = 64 * 1024;
  static constexpr int64_t kMaxRead = 1 << 20;

  bool Found;              // an item list in a moov without an enabled video track
  bool HasVideo;           // a track whose handler is 'vide' and that is enabled
  std::string MajorBrand;  // of the ftyp box that opens the file; "" without one
  // Texts as UTF-8: data of type 1 as stored, of type 2 (UTF-16BE) converted. Several data
  // values of one item are joined with "/".
  std::string Title;        // ©nam
  std::string Artist;       // ©ART
  std::string AlbumArtist;  // aART
  std::string Album;        // ©alb
  std::string Year;         // ©day, as stored: a year or a whole date
  std::string Comment;      // ©cmt
  uint16_t Track;           // trkn: bytes 2..3 of its data

 private:
  class TBoxes;
  struct TBox;
  void ReadMoov(TBoxes& boxes, const TBox& moov);
  void ReadMeta(TBoxes& boxes, const TBox& meta);
  void ReadItems(TBoxes& boxes, const TBox& ilst);
  bool ListFound_ = false;
};

}  // namespace tunaro::tags
