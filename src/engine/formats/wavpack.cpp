#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/wavpack.h"

namespace tunaro::engine::formats {

bool ReadWavPack(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TWavPack t;
  t.Load(file);
  if (!t.Found) return false;
  texts = TagsAtTheEndTexts(*t.APEv2, *t.ID3v1);
  return true;
}

TJson DescribeWavPack(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TWavPack t;
  const bool loaded = t.Load(file);
  return TJson{{"TWavPack", TJson{
                                {"Load", loaded},
                                {"Found", t.Found},
                                {"Version", t.Version},
                                {"SampleRate", t.SampleRate},
                                {"BitsPerSample", t.BitsPerSample},
                                {"Mono", t.Mono},
                                {"ID3v1", ID3v1Json(*t.ID3v1, t.ID3v1->Found, x)},
                                {"APEv2", APEv2Json(*t.APEv2, x)},
                            }}};
}

}  // namespace tunaro::engine::formats
