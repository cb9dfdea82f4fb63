#include "tags/wav.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "tags/chunks.h"
#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

TWav::TWav() : ID3v2(std::make_unique<TID3v2>()) {
  Clear();
}

void TWav::Clear() {
  Found = false;
  FormatTag = Channels = BitsPerSample = 0;
  SampleRate = 0;
  DataBytes = 0;
  InfoFound = false;
  Title.clear();
  Artist.clear();
  Album.clear();
  Date.clear();
  Comment.clear();
  Genre.clear();
  Track = 0;
  ID3v2->Clear();
}

bool TWav::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TWav::Load(TReadOnlyFile& file) {
  Clear();
  uint8_t riff[12];
  // Through the read-ahead window: the chunks at the head come with it.
  if (!file.Seek(0) || !file.ReadExact(riff, sizeof riff)) return false;
  const bool rf64 = std::memcmp(riff, "RF64", 4) == 0 || std::memcmp(riff, "BW64", 4) == 0;
  if ((std::memcmp(riff, "RIFF", 4) != 0 && !rf64) || std::memcmp(riff + 8, "WAVE", 4) != 0)
    return true;
  Found = true;

  uint64_t rf64DataBytes = 0;
  bool id3 = false;
  TChunkWalk chunk(file, sizeof riff, false);
  while (chunk.Next()) {
    uint8_t b[28];
    if (chunk.Is("fmt ") && chunk.Size >= 16 && file.ReadExact(b, 16)) {
      FormatTag = LoadU16LE(b);
      Channels = LoadU16LE(b + 2);
      SampleRate = LoadU32LE(b + 4);
      BitsPerSample = LoadU16LE(b + 14);
    } else if (rf64 && chunk.Is("ds64") && chunk.Size >= 28 && file.ReadExact(b, 28)) {
      // The 64-bit sizes of the RIFF chunk and of the data chunk, whose own size is all ones.
      rf64DataBytes = uint64_t{LoadU32LE(b + 12)} << 32 | LoadU32LE(b + 8);
    } else if (chunk.Is("data")) {
      if (rf64 && chunk.Size == 0xFFFFFFFF) chunk.Size = rf64DataBytes;
      DataBytes = chunk.Size;
    } else if (chunk.Is("LIST") && chunk.Size >= 4 && file.ReadExact(b, 4) &&
               std::memcmp(b, "INFO", 4) == 0) {
      ReadInfo(file, chunk.DataAt + 4, chunk.Available() - 4);
    } else if (!id3 && (chunk.Is("id3 ") || chunk.Is("ID3 "))) {
      id3 = true;
      ID3v2->Load(file, chunk.DataAt, chunk.Available());
    }
  }
  return true;
}

// The INFO list: chunks of zero-terminated texts, each with its ID and size.
void TWav::ReadInfo(TReadOnlyFile& file, int64_t at, int64_t bytes) {
  std::vector<uint8_t> data(static_cast<size_t>(std::clamp<int64_t>(bytes, 0, kMaxInfoBytes)));
  if (!data.empty() && (!file.Seek(at) || !file.ReadExact(data.data(), data.size()))) return;
  InfoFound = true;
  std::string track, part;
  struct TKey {
    const char* Id;
    std::string* Text;
  };
  const TKey keys[] = {{"INAM", &Title},   {"IART", &Artist}, {"IPRD", &Album}, {"ICRD", &Date},
                       {"ICMT", &Comment}, {"IGNR", &Genre},  {"ITRK", &track}, {"IPRT", &part}};
  TByteReader in(data.data(), data.size());
  for (;;) {
    const uint8_t* id = in.Peek(4);
    uint32_t size;
    std::string text;
    if (id == nullptr || !in.Skip(4) || !in.U32LE(size)) break;
    // A text that runs past the list keeps what the list holds of it.
    const bool whole = in.BytesUpTo(size, text) == size;
    for (const TKey& key : keys)
      if (std::memcmp(id, key.Id, 4) == 0) AppendValue(*key.Text, std::string_view(text.c_str()));
    if (!whole || !in.Skip(size & 1)) break;
  }
  CutToYear(Date);
  Track = TrackFromText(track.empty() ? part : track);
}

}  // namespace tunaro::tags
