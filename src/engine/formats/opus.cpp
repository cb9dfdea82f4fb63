#include "tags/opus.h"
#include "engine/formats/vorbis_family.h"

namespace tunaro::engine::formats {

bool ReadOpus(TReadOnlyFile& file, TTagTexts& texts) {
  return ReadVorbisFamily<tags::TOpus>(file, texts);
}

TJson DescribeOpus(TReadOnlyFile& file, const TTextDecoder& x) {
  return DescribeVorbisFamily<tags::TOpus>("TOpus", file, x, [](const tags::TOpus& t) {
    return TJson{{"Version", t.Version},
                 {"Channels", t.Channels},
                 {"PreSkip", t.PreSkip},
                 {"InputSampleRate", t.InputSampleRate}};
  });
}

}  // namespace tunaro::engine::formats
