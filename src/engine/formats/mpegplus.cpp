#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/mpegplus.h"

namespace tunaro::engine::formats {

bool ReadMPEGplus(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TMPEGplus t;
  t.Load(file);
  if (!t.Found) return false;
  texts = TagsAtTheEndTexts(*t.APEv2, *t.ID3v1);
  return true;
}

TJson DescribeMPEGplus(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TMPEGplus t;
  const bool loaded = t.Load(file);
  return TJson{{"TMPEGplus", TJson{
                                 {"Load", loaded},
                                 {"Found", t.Found},
                                 {"ChannelMode", t.ChannelMode},
                                 {"FileSize", t.FileSize},
                                 {"FrameCount", t.FrameCount},
                                 {"BitRate", t.BitRate},
                                 {"StreamVersion", t.StreamVersion},
                                 {"ProfileCode", t.ProfileCode},
                                 {"ID3v1", ID3v1Json(*t.ID3v1, t.ID3v1->Found, x)},
                                 {"APEv2", APEv2Json(*t.APEv2, x)},
                             }}};
}

}  // namespace tunaro::engine::formats
