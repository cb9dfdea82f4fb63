// The Vorbis comment block, which Ogg Vorbis, Opus, Speex, FLAC and Ogg FLAC all use for
// their tags: a vendor text, a count, then that many "KEY=value" entries, each text preceded
// by its 32-bit little-endian length. Texts are UTF-8 by the format; they are kept as stored
// and made sure of later, where the rename decodes them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tunaro::tags {

class TReadOnlyFile;

// Where the block's bytes come from, front to back: a run of a file, or the pages of an Ogg
// stream put back together.
class TCommentSource {
 public:
  virtual ~TCommentSource() = default;
  // Exactly `count` bytes, or false.
  virtual bool Read(void* out, size_t count) = 0;
  // Passes over `count` bytes; false when fewer remain.
  virtual bool Skip(uint64_t count) = 0;
  // What is left at most: an entry whose length says more ends the walk.
  virtual uint64_t Remaining() const = 0;
};

// A file read straight on from a position to a limit through a window of at most 64 KB, so
// that a walk over many tiny entries (a zero-filled tail reads as endless empty ones) costs
// memory copies, not system calls. A fill asks for no byte past the limit, so a block that the
// file's own read-ahead window already holds costs no read at all.
class TFileRunSource final : public TCommentSource {
 public:
  TFileRunSource(TReadOnlyFile& file, int64_t position, int64_t limit);
  bool Read(void* out, size_t count) override;
  bool Skip(uint64_t count) override;
  uint64_t Remaining() const override;

 private:
  TReadOnlyFile& File_;
  int64_t Position_;
  int64_t Limit_;
  int64_t Start_ = 0;
  int64_t Filled_ = 0;
  size_t Capacity_;
  std::unique_ptr<uint8_t[]> Window_;
};

// The fields the rename and tunaro-cli use, by their keys (any letter case).
struct TVorbisFields {
  std::string Vendor;  // the first entry that holds no "=", normally the vendor text
  std::string Title;
  std::string Artist;
  std::string Album;
  std::string Track;  // TRACKNUMBER as stored
  std::string Date;
  std::string Genre;
  std::string Comment;
  std::string AlbumArtist;  // ALBUMARTIST, or "ALBUM ARTIST" as some taggers write it
  std::string Description;
  std::string Author;  // speexenc's key for the artist

  // Takes one entry: a known key adds its value to its field, in order, with AppendValue
  // (trimmed, "/" between) while the field holds less than kCommentTextBytes; an entry
  // without "=" is the vendor while there is none.
  void Take(std::string_view entry);
  // Whether an entry of this key (any letter case) would set a field.
  static bool IsKnownKey(std::string_view key);
};

// How much of each text the readers of FLAC, Opus, Speex and Ogg FLAC keep: more than any
// file name holds.
inline constexpr size_t kCommentTextBytes = 4096;

// Walks the vendor text and then the entries the count gives, handing each to `fields`; each
// text is cut to its first `keep` bytes. The walk ends at the count, at the end of the
// source, or at a length that runs past it: what was taken until then stays. An entry whose
// first bytes show a key no field takes (a cover picture, say) is passed over, not copied.
void ReadVorbisComments(TCommentSource& source, size_t keep, TVorbisFields& fields);

}  // namespace tunaro::tags
