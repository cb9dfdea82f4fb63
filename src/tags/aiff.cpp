#include "tags/aiff.h"

#include <cmath>
#include <cstring>

#include "tags/chunks.h"
#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

namespace {

// An 80-bit extended float (sign and 15-bit exponent, then a 64-bit mantissa with its
// integer bit) as whole hertz; 0 for what no sample rate is.
uint32_t SampleRateOf(const uint8_t* p) {
  const int exponent = (LoadU16BE(p) & 0x7FFF) - 16383 - 63;
  const uint64_t mantissa = uint64_t{LoadU32BE(p + 2)} << 32 | LoadU32BE(p + 6);
  if ((p[0] & 0x80) != 0 || exponent < -63 || exponent > 0) return 0;
  const double rate = std::ldexp(static_cast<double>(mantissa), exponent);
  return rate < 4294967296.0 ? static_cast<uint32_t>(rate) : 0;
}

}  // namespace

TAiff::TAiff() : ID3v2(std::make_unique<TID3v2>()) {
  Clear();
}

void TAiff::Clear() {
  Found = Compressed = false;
  Channels = BitsPerSample = 0;
  SampleFrames = SampleRate = 0;
  Name.clear();
  Author.clear();
  Annotation.clear();
  ID3v2->Clear();
}

bool TAiff::Load(const std::string& fileName) {
  Clear();
  TReadOnlyFile file;
  return file.Open(fileName) && Load(file);
}

bool TAiff::Load(TReadOnlyFile& file) {
  Clear();
  uint8_t form[12];
  // Through the read-ahead window: the chunks at the head come with it.
  if (!file.Seek(0) || !file.ReadExact(form, sizeof form)) return false;
  Compressed = std::memcmp(form + 8, "AIFC", 4) == 0;
  if (std::memcmp(form, "FORM", 4) != 0 || (!Compressed && std::memcmp(form + 8, "AIFF", 4) != 0))
    return true;
  Found = true;

  bool id3 = false;
  TChunkWalk chunk(file, sizeof form, true);
  while (chunk.Next()) {
    uint8_t b[18];
    if (chunk.Is("COMM") && chunk.Size >= 18 && file.ReadExact(b, 18)) {
      Channels = LoadU16BE(b);
      SampleFrames = LoadU32BE(b + 2);
      BitsPerSample = LoadU16BE(b + 6);
      SampleRate = SampleRateOf(b + 8);
    } else if (chunk.Is("NAME")) {
      AppendValue(Name, ChunkText(file, chunk, kMaxTextBytes));
    } else if (chunk.Is("AUTH")) {
      AppendValue(Author, ChunkText(file, chunk, kMaxTextBytes));
    } else if (chunk.Is("ANNO")) {
      AppendValue(Annotation, ChunkText(file, chunk, kMaxTextBytes));
    } else if (!id3 && (chunk.Is("ID3 ") || chunk.Is("id3 "))) {
      id3 = true;
      ID3v2->Load(file, chunk.DataAt, chunk.Available());
    }
  }
  return true;
}

}  // namespace tunaro::tags
