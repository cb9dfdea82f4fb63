#include "tags/speex.h"

#include <cstring>

#include "tags/file_reader.h"
#include "tags/ogg_packets.h"
#include "tags/text.h"

namespace tunaro::tags {

namespace {

constexpr size_t kHeaderSize = 80;

}  // namespace

void TSpeex::Clear() {
  Found = false;
  FileSize = 0;
  Version.clear();
  SampleRate = 0;
  Mode = 0;
  Channels = 0;
  BitRate = 0;
  HasComments = false;
  Comments = {};
}

bool TSpeex::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TSpeex::Load(TReadOnlyFile& file) {
  Clear();
  if (!file.IsOpen()) return false;
  TOggPackets packets(file);
  uint8_t h[kHeaderSize];
  if (!packets.NextPacket() || !packets.Read(h, sizeof h) || std::memcmp(h, "Speex   ", 8) != 0)
    return true;
  Found = true;
  FileSize = ClampedFileSize(file.Size());
  const auto* version = reinterpret_cast<const char*>(h + 8);
  Version = TrimRight(std::string_view(version, strnlen(version, 20)));
  SampleRate = LoadU32LE(h + 36);
  Mode = LoadU32LE(h + 40);
  Channels = LoadU32LE(h + 48);
  BitRate = static_cast<int32_t>(LoadU32LE(h + 52));
  // The comments are the second packet; extra headers, if any, come after them.
  if (!packets.NextPacket()) return true;
  HasComments = true;
  ReadVorbisComments(packets, kCommentTextBytes, Comments);
  return true;
}

}  // namespace tunaro::tags
