#include "tags/opus.h"

#include <cstring>

#include "tags/file_reader.h"
#include "tags/ogg_packets.h"

namespace tunaro::tags {

namespace {

constexpr size_t kHeadSize = 19;  // "OpusHead" up to the channel mapping family
constexpr char kTagsMagic[8] = {'O', 'p', 'u', 's', 'T', 'a', 'g', 's'};

}  // namespace

void TOpus::Clear() {
  Found = false;
  FileSize = 0;
  Version = 0;
  Channels = 0;
  PreSkip = 0;
  InputSampleRate = 0;
  HasComments = false;
  Comments = {};
}

bool TOpus::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TOpus::Load(TReadOnlyFile& file) {
  Clear();
  if (!file.IsOpen()) return false;
  TOggPackets packets(file);
  uint8_t head[kHeadSize];
  if (!packets.NextPacket() || !packets.Read(head, sizeof head) ||
      std::memcmp(head, "OpusHead", 8) != 0)
    return true;
  Found = true;
  FileSize = ClampedFileSize(file.Size());
  Version = head[8];
  Channels = head[9];
  PreSkip = LoadU16LE(head + 10);
  InputSampleRate = LoadU32LE(head + 12);
  char magic[sizeof kTagsMagic];
  if (!packets.NextPacket() || !packets.Read(magic, sizeof magic) ||
      std::memcmp(magic, kTagsMagic, sizeof magic) != 0)
    return true;
  HasComments = true;
  ReadVorbisComments(packets, kCommentTextBytes, Comments);
  return true;
}

}  // namespace tunaro::tags
