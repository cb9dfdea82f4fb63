#include "tags/ogg_packets.h"

#include <algorithm>
#include <cstring>

#include "tags/file_reader.h"

namespace tunaro::tags {

namespace {

constexpr size_t kPageHeaderSize = 27;  // up to the segment count; the lacing values follow
constexpr uint8_t kContinued = 0x01;
constexpr uint8_t kLastPage = 0x04;

}  // namespace

TOggPackets::TOggPackets(TReadOnlyFile& file) : File_(file) {}

bool TOggPackets::ReadPage() {
  while (Pages_ < kMaxPages && Next_ < File_.Size()) {
    uint8_t header[kPageHeaderSize + 255];
    const auto want = static_cast<size_t>(std::min<int64_t>(sizeof header, File_.Size() - Next_));
    int64_t n;
    if (Pages_ == 0) {
      // The first read fills the file's window, which mostly holds the header packets whole.
      if (!File_.Seek(Next_)) return false;
      n = File_.Read(header, want);
    } else {
      // Later page headers cost a read of their own only where the window does not hold them.
      n = File_.ReadAt(Next_, header, want);
    }
    if (n < static_cast<int64_t>(kPageHeaderSize) || std::memcmp(header, "OggS", 4) != 0 ||
        header[4] != 0)
      return false;
    const uint8_t segments = header[26];
    const size_t head = kPageHeaderSize + segments;
    if (n < static_cast<int64_t>(head)) return false;
    ++Pages_;
    int64_t body = 0;
    for (size_t k = 0; k < segments; ++k) body += header[kPageHeaderSize + k];
    const int64_t data = Next_ + static_cast<int64_t>(head);
    Next_ = data + body;
    const uint32_t serial = LoadU32LE(header + 14);
    if (!HaveSerial_ && n >= static_cast<int64_t>(head + 8) &&
        std::memcmp(header + head, "fishead", 8) == 0)
      continue;  // an Ogg Skeleton stream, which only describes the others (speexenc --skeleton)
    if (!HaveSerial_) {
      Serial_ = serial;
      HaveSerial_ = true;
    } else if (serial != Serial_) {
      continue;  // a page of another stream multiplexed with this one
    }
    std::memcpy(Lacing_, header + kPageHeaderSize, segments);
    Segments_ = segments;
    Segment_ = 0;
    DataAt_ = data;
    Continued_ = (header[5] & kContinued) != 0;
    Last_ = (header[5] & kLastPage) != 0;
    return true;
  }
  return false;
}

bool TOggPackets::NextPacket() {
  Spans_.clear();
  Size_ = Done_ = SpanDone_ = 0;
  Span_ = 0;
  bool inPacket = false;  // some of this packet's segments have been walked
  bool passing = false;   // the segments walked belong to a packet begun before
  while (!Ended_) {
    if (Segment_ == Segments_) {
      if (Last_ || !ReadPage()) break;
      if (!inPacket) {
        // The page goes on with a packet this walk did not begin: its first bytes are not
        // the start of one.
        passing = Continued_;
      } else if (!Continued_) {
        // The packet stops short of its end (a page lost): it is dropped, as Ogg drops it.
        Spans_.clear();
        Size_ = 0;
        inPacket = false;
      }
    }
    const int64_t start = DataAt_;
    uint32_t length = 0;
    bool ends = false;
    while (Segment_ < Segments_ && !ends) {
      const uint8_t value = Lacing_[Segment_++];
      length += value;
      ends = value < 255;  // a lacing value below 255 ends its packet
    }
    DataAt_ += length;
    if (passing) {
      passing = !ends;
      continue;
    }
    inPacket = true;
    if (Size_ + length > kMaxPacketBytes) break;
    // A file cut within the packet: the packet ends where the file does.
    const int64_t inFile = std::clamp<int64_t>(File_.Size() - start, 0, length);
    if (inFile > 0) Spans_.push_back({start, static_cast<uint32_t>(inFile)});
    Size_ += static_cast<uint64_t>(inFile);
    if (inFile < length) Ended_ = true;
    if (ends || Ended_) return true;
  }
  Ended_ = true;
  Spans_.clear();
  Size_ = 0;
  return false;
}

bool TOggPackets::Read(void* out, size_t count) {
  if (count > Remaining()) return false;
  auto* to = static_cast<uint8_t*>(out);
  while (count > 0) {
    const TSpan& span = Spans_[Span_];
    const auto n = static_cast<size_t>(std::min<uint64_t>(count, span.Length - SpanDone_));
    if (!File_.Seek(span.Offset + static_cast<int64_t>(SpanDone_)) || !File_.ReadExact(to, n))
      return false;
    to += n;
    count -= n;
    Skip(n);
  }
  return true;
}

bool TOggPackets::Skip(uint64_t count) {
  if (count > Remaining()) return false;
  Done_ += count;
  SpanDone_ += count;
  while (Span_ < Spans_.size() && SpanDone_ >= Spans_[Span_].Length) {
    SpanDone_ -= Spans_[Span_].Length;
    ++Span_;
  }
  return true;
}

TOggCodec OggStreamCodec(TReadOnlyFile& file) {
  TOggPackets packets(file);
  uint8_t magic[8] = {};
  if (!packets.NextPacket() ||
      !packets.Read(magic, static_cast<size_t>(std::min<uint64_t>(8, packets.PacketSize()))))
    return TOggCodec::Unknown;
  if (std::memcmp(magic, "\x01vorbis", 7) == 0) return TOggCodec::Vorbis;
  if (std::memcmp(magic, "OpusHead", 8) == 0) return TOggCodec::Opus;
  if (std::memcmp(magic,
                  "\x7F"
                  "FLAC",
                  5) == 0)
    return TOggCodec::Flac;
  if (std::memcmp(magic, "Speex   ", 8) == 0) return TOggCodec::Speex;
  return TOggCodec::Unknown;
}

}  // namespace tunaro::tags
