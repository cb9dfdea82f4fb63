#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/dsf.h"

namespace tunaro::engine::formats {

bool ReadDsf(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TDsf t;
  t.Load(file);
  if (!t.Found) return false;
  texts = ChunkID3v2Texts(*t.ID3v2);
  return true;
}

TJson DescribeDsf(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TDsf t;
  const bool loaded = t.Load(file);
  return TJson{{"TDsf", TJson{
                            {"Load", loaded},
                            {"Found", t.Found},
                            {"MetadataOffset", t.MetadataOffset},
                            {"Channels", t.Channels},
                            {"SampleRate", t.SampleRate},
                            {"BitsPerSample", t.BitsPerSample},
                            {"SampleCount", t.SampleCount},
                            {"ID3v2", ChunkID3v2Json(*t.ID3v2, x)},
                        }}};
}

}  // namespace tunaro::engine::formats
