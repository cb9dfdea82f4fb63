#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/speex.h"

namespace tunaro::engine::formats {

bool ReadSpeex(TReadOnlyFile& file, TTagTexts& texts) {
  return ReadVorbisFamily<tags::TSpeex>(file, texts);
}

TJson DescribeSpeex(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TSpeex t;
  const bool loaded = t.Load(file);
  TJson json{
      {"Load", loaded},
      {"Found", t.Found},
      {"FileSize", t.FileSize},
      {"Version", x.Unicode(t.Version)},
      {"SampleRate", t.SampleRate},
      {"Mode", t.Mode},
      {"Channels", t.Channels},
      {"BitRate", t.BitRate},
      {"HasComments", t.HasComments},
  };
  AddVorbisCommentJson(json, t.Comments, x);
  return TJson{{"TSpeex", json}};
}

}  // namespace tunaro::engine::formats
