#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/opus.h"

namespace tunaro::engine::formats {

bool ReadOpus(TReadOnlyFile& file, TTagTexts& texts) {
  return ReadVorbisFamily<tags::TOpus>(file, texts);
}

TJson DescribeOpus(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TOpus t;
  const bool loaded = t.Load(file);
  TJson json{
      {"Load", loaded},
      {"Found", t.Found},
      {"FileSize", t.FileSize},
      {"Version", t.Version},
      {"Channels", t.Channels},
      {"PreSkip", t.PreSkip},
      {"InputSampleRate", t.InputSampleRate},
      {"HasComments", t.HasComments},
  };
  AddVorbisCommentJson(json, t.Comments, x);
  return TJson{{"TOpus", json}};
}

}  // namespace tunaro::engine::formats
