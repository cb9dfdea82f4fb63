#include "tags/flac.h"
#include "engine/formats/vorbis_family.h"

namespace tunaro::engine::formats {

bool ReadFlac(TReadOnlyFile& file, TTagTexts& texts) {
  return ReadVorbisFamily<tags::TFlac>(file, texts);
}

TJson DescribeFlac(TReadOnlyFile& file, const TTextDecoder& x) {
  return DescribeVorbisFamily<tags::TFlac>("TFlac", file, x, [](const tags::TFlac& t) {
    TJson stream{{"StreamStart", t.StreamStart}};
    stream.update(FlacStreamInfoJson(t.Info));
    return stream;
  });
}

}  // namespace tunaro::engine::formats
