#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/aiff.h"

namespace tunaro::engine::formats {

bool ReadAiff(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TAiff t;
  t.Load(file);
  if (!t.Found) return false;
  // The text chunks count only in a file without an ID3 chunk.
  texts = t.ID3v2->Found
              ? ChunkID3v2Texts(*t.ID3v2)
              : TTagTexts{
                    LegacyText(t.Author), LegacyText(t.Name), {}, {}, LegacyText(t.Annotation), {}};
  return true;
}

TJson DescribeAiff(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TAiff t;
  const bool loaded = t.Load(file);
  return TJson{{"TAiff", TJson{
                             {"Load", loaded},
                             {"Found", t.Found},
                             {"Compressed", t.Compressed},
                             {"Channels", t.Channels},
                             {"SampleFrames", t.SampleFrames},
                             {"BitsPerSample", t.BitsPerSample},
                             {"SampleRate", t.SampleRate},
                             {"Name", x.Legacy(t.Name)},
                             {"Author", x.Legacy(t.Author)},
                             {"Annotation", x.Legacy(t.Annotation)},
                             {"ID3v2", ChunkID3v2Json(*t.ID3v2, x)},
                         }}};
}

}  // namespace tunaro::engine::formats
