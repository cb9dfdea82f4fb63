#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/twinvq.h"

namespace tunaro::engine::formats {

bool ReadTwinVQ(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TTwinVQ t;
  t.Load(file);
  if (!t.Found) return false;
  texts = {LegacyText(t.Author), LegacyText(t.Title), {}, {}, LegacyText(t.Comment), {}};
  return true;
}

TJson DescribeTwinVQ(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TTwinVQ t;
  const bool loaded = t.Load(file);
  return TJson{{"TTwinVQ", TJson{
                               {"Load", loaded},
                               {"Found", t.Found},
                               {"ChannelMode", t.ChannelMode},
                               {"BitRate", t.BitRate},
                               {"SampleRate", t.SampleRate},
                               {"FileSize", t.FileSize},
                               {"Duration", t.Duration},
                               {"Title", x.Legacy(t.Title)},
                               {"Comment", x.Legacy(t.Comment)},
                               {"Author", x.Legacy(t.Author)},
                               {"RightsNotice", x.Legacy(t.RightsNotice)},
                               {"SourceFile", x.Legacy(t.SourceFile)},
                           }}};
}

}  // namespace tunaro::engine::formats
