#include "tags/oggflac.h"
#include "engine/formats/vorbis_family.h"

namespace tunaro::engine::formats {

bool ReadOggFlac(TReadOnlyFile& file, TTagTexts& texts) {
  return ReadVorbisFamily<tags::TOggFlac>(file, texts);
}

TJson DescribeOggFlac(TReadOnlyFile& file, const TTextDecoder& x) {
  return DescribeVorbisFamily<tags::TOggFlac>("TOggFlac", file, x, [](const tags::TOggFlac& t) {
    TJson stream{{"MajorVersion", t.MajorVersion}, {"MinorVersion", t.MinorVersion}};
    stream.update(FlacStreamInfoJson(t.Info));
    return stream;
  });
}

}  // namespace tunaro::engine::formats
