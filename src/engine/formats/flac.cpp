#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/flac.h"

namespace tunaro::engine::formats {

bool ReadFlac(TReadOnlyFile& file, TTagTexts& texts) {
  return ReadVorbisFamily<tags::TFlac>(file, texts);
}

TJson DescribeFlac(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TFlac t;
  const bool loaded = t.Load(file);
  TJson json{
      {"Load", loaded},
      {"Found", t.Found},
      {"FileSize", t.FileSize},
      {"StreamStart", t.StreamStart},
      {"SampleRate", t.Info.SampleRate},
      {"Channels", t.Info.Channels},
      {"BitsPerSample", t.Info.BitsPerSample},
      {"SampleCount", t.Info.SampleCount},
      {"HasComments", t.HasComments},
  };
  AddVorbisCommentJson(json, t.Comments, x);
  return TJson{{"TFlac", json}};
}

}  // namespace tunaro::engine::formats
