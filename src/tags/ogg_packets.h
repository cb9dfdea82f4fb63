// The packets of an Ogg stream, put back together from its pages: Opus, Speex and Ogg FLAC
// keep their tags in a header packet that may span pages. A packet is never loaded: its
// extent is worked out from the pages' lacing values, and its bytes are then read (or passed
// over) in place, so the page headers between its pieces are never taken for data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tags/vorbis_comment.h"

namespace tunaro::tags {

class TReadOnlyFile;

// The codec an Ogg stream's first packet names.
enum class TOggCodec : uint8_t { Unknown, Vorbis, Opus, Flac, Speex };

class TOggPackets final : public TCommentSource {
 public:
  // The pages of the first logical stream in the file (an Ogg Skeleton stream before it is
  // passed), from its start; pages of other streams multiplexed with it are passed over.
  explicit TOggPackets(TReadOnlyFile& file);

  // Moves to the next packet. False at the end of the stream, at a page that is not one, or
  // past the bounds: a packet over kMaxPacketBytes is not walked (no tag is that big), nor
  // are more than kMaxPages pages.
  bool NextPacket();
  // The current packet's size in bytes.
  uint64_t PacketSize() const { return Size_; }

  // Within the current packet, from its start on.
  bool Read(void* out, size_t count) override;
  bool Skip(uint64_t count) override;
  uint64_t Remaining() const override { return Size_ - Done_; }

  static constexpr uint64_t kMaxPacketBytes = 16 << 20;
  static constexpr int kMaxPages = 4096;

 private:
  struct TSpan {
    int64_t Offset;
    uint32_t Length;
  };
  // Reads the page header at Next_ into the fields below; false when there is none.
  bool ReadPage();

  TReadOnlyFile& File_;
  // The page being walked for packet boundaries.
  int64_t Next_ = 0;  // the file offset of the page after it
  uint32_t Serial_ = 0;
  bool HaveSerial_ = false;
  int Pages_ = 0;
  uint8_t Lacing_[255];
  int Segments_ = 0;        // of the current page
  int Segment_ = 0;         // the next one to walk
  int64_t DataAt_ = 0;      // the file offset of that segment's bytes
  bool Continued_ = false;  // the page begins with the rest of a packet
  bool Last_ = false;       // the stream's last page
  bool Ended_ = false;      // no packet follows: the end was reached, or the walk failed
  // The current packet: its pieces in the file, and how far it has been read.
  std::vector<TSpan> Spans_;
  uint64_t Size_ = 0;
  uint64_t Done_ = 0;
  size_t Span_ = 0;  // the piece the read position is in
  uint64_t SpanDone_ = 0;
};

// The codec by the magic of the stream's first packet.
TOggCodec OggStreamCodec(TReadOnlyFile& file);

}  // namespace tunaro::tags
