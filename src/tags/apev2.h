// The APE tag, versions 1.0 and 2.0, at the end of a file: its 32-byte footer found at the
// very end, before an ID3v1 tag, or before a Lyrics3v2 block that precedes an ID3v1 tag.
#pragma once

#include <cstdint>
#include <string>

namespace tunaro::tags {

class TReadOnlyFile;

class TAPEv2 {
 public:
  TAPEv2() { Clear(); }

  void Clear();
  // False only when the file cannot be opened or read; true with or without a tag.
  bool Load(const std::string& fileName);
  // The same on a file the caller has open, so that one open serves several readers.
  bool Load(TReadOnlyFile& file);

  // Bounds against damaged or hostile tags. Only the items named below have their values
  // read; every other item is stepped over, so a tag holding large pictures costs no more
  // than its item headers: at most kMaxItems headers of 264 bytes and ten values of
  // kMaxTextBytes, well under 1 MiB. The tag size itself is bounded only by the file, as
  // writers let a tag grow with pictures to several MiB.
  static constexpr uint32_t kMaxItems = 1024;           // items looked at
  static constexpr uint32_t kMaxTextBytes = 64 * 1024;  // a longer text value is skipped

  bool Found;
  int32_t Version;     // 1000 (APEv1) or 2000 (APEv2); 0 without a tag
  int64_t TagOffset;   // where the tag starts in the file, header included
  uint32_t TagSize;    // its bytes: header (if any), items and footer
  uint32_t ItemCount;  // items read in full before the end or the first damage
  // The value of each item, its several values (separated by zero bytes) joined with
  // AppendValue. APEv2 values are UTF-8 (ill-formed sequences replaced); APEv1 values are
  // kept as their bytes stand, as old writers put code-page text there.
  std::string Title;
  std::string Artist;
  std::string Album;
  std::string Year;  // "Year", or "Date" when there is no "Year"
  std::string Comment;
  std::string Genre;
  std::string AlbumArtist;  // "Album Artist"
  std::string Composer;
  uint8_t Track;  // "Track" as TrackFromText reads it

 private:
  bool FindFooter(TReadOnlyFile& file, int64_t& footerAt, uint8_t* footer);
  void ReadItems(TReadOnlyFile& file, int64_t itemsAt, uint32_t itemBytes, uint32_t count);
};

}  // namespace tunaro::tags
