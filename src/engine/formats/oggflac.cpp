#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/oggflac.h"

namespace tunaro::engine::formats {

bool ReadOggFlac(TReadOnlyFile& file, TTagTexts& texts) {
  return ReadVorbisFamily<tags::TOggFlac>(file, texts);
}

TJson DescribeOggFlac(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TOggFlac t;
  const bool loaded = t.Load(file);
  TJson json{
      {"Load", loaded},
      {"Found", t.Found},
      {"FileSize", t.FileSize},
      {"MajorVersion", t.MajorVersion},
      {"MinorVersion", t.MinorVersion},
      {"SampleRate", t.Info.SampleRate},
      {"Channels", t.Info.Channels},
      {"BitsPerSample", t.Info.BitsPerSample},
      {"SampleCount", t.Info.SampleCount},
      {"HasComments", t.HasComments},
  };
  AddVorbisCommentJson(json, t.Comments, x);
  return TJson{{"TOggFlac", json}};
}

}  // namespace tunaro::engine::formats
