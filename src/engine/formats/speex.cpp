#include "tags/speex.h"
#include "engine/formats/vorbis_family.h"

namespace tunaro::engine::formats {

bool ReadSpeex(TReadOnlyFile& file, TTagTexts& texts) {
  return ReadVorbisFamily<tags::TSpeex>(file, texts);
}

TJson DescribeSpeex(TReadOnlyFile& file, const TTextDecoder& x) {
  return DescribeVorbisFamily<tags::TSpeex>("TSpeex", file, x, [](const tags::TSpeex& t) {
    return TJson{{"Version", t.Version},
                 {"SampleRate", t.SampleRate},
                 {"Mode", t.Mode},
                 {"Channels", t.Channels},
                 {"BitRate", t.BitRate}};
  });
}

}  // namespace tunaro::engine::formats
