#include "tags/oggflac.h"

#include <cstring>

#include "tags/file_reader.h"
#include "tags/ogg_packets.h"

namespace tunaro::tags {

namespace {

// 0x7F "FLAC", major and minor version, the count of header packets, "fLaC", then the
// STREAMINFO block with its header.
constexpr size_t kFirstPacketSize = 13 + TFlacBlockHeader::kSize + TFlacStreamInfo::kSize;
// The comments are the first metadata packet; a few others before them are passed.
constexpr int kMaxHeaderPackets = 16;

}  // namespace

void TOggFlac::Clear() {
  Found = false;
  FileSize = 0;
  MajorVersion = 0;
  MinorVersion = 0;
  Info = {};
  HasComments = false;
  Comments = {};
}

bool TOggFlac::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TOggFlac::Load(TReadOnlyFile& file) {
  Clear();
  if (!file.IsOpen()) return false;
  TOggPackets packets(file);
  uint8_t first[kFirstPacketSize];
  if (!packets.NextPacket() || !packets.Read(first, sizeof first) ||
      std::memcmp(first,
                  "\x7F"
                  "FLAC",
                  5) != 0 ||
      std::memcmp(first + 9, "fLaC", 4) != 0)
    return true;
  Found = true;
  FileSize = ClampedFileSize(file.Size());
  MajorVersion = first[5];
  MinorVersion = first[6];
  if (TFlacBlockHeader(first + 13).Type == TFlacBlockHeader::kStreamInfo)
    Info.Parse(first + 13 + TFlacBlockHeader::kSize);
  for (int k = 0; k < kMaxHeaderPackets && packets.NextPacket(); ++k) {
    uint8_t h[TFlacBlockHeader::kSize];
    if (!packets.Read(h, sizeof h)) break;
    const TFlacBlockHeader block(h);
    if (block.Type == TFlacBlockHeader::kVorbisComment) {
      HasComments = true;
      ReadVorbisComments(packets, kCommentTextBytes, Comments);
      break;
    }
    if (block.Last) break;
  }
  return true;
}

}  // namespace tunaro::tags
