#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/monkey.h"

namespace tunaro::engine::formats {

bool ReadMonkey(TReadOnlyFile& file, TTagTexts& texts) {
  tags::TMonkey t;
  t.Load(file);
  if (!t.Found()) return false;
  texts = TagsAtTheEndTexts(*t.APEv2, *t.ID3v1);
  return true;
}

TJson DescribeMonkey(TReadOnlyFile& file, const TTextDecoder& x) {
  tags::TMonkey t;
  const bool loaded = t.Load(file);
  const auto& h = t.Header;
  return TJson{{"TMonkey", TJson{
                               {"Load", loaded},
                               {"Found", t.Found()},
                               {"FileSize", t.FileSize},
                               {"Header",
                                TJson{
                                    {"ID", x.Legacy(std::string(h.ID, 4))},
                                    {"Version", h.Version},
                                    {"CompressionLevel", h.CompressionLevel},
                                    {"FormatFlags", h.FormatFlags},
                                    {"Channels", h.Channels},
                                    {"SampleRate", h.SampleRate},
                                    {"WavHeaderBytes", h.WavHeaderBytes},
                                    {"TerminatingBytes", h.TerminatingBytes},
                                    {"TotalFrames", h.TotalFrames},
                                    {"FinalFrameSamples", h.FinalFrameSamples},
                                    {"PeakLevel", h.PeakLevel},
                                    {"SeekElements", h.SeekElements},
                                }},
                               {"ID3v1", ID3v1Json(*t.ID3v1, t.ID3v1->Found, x)},
                               {"APEv2", APEv2Json(*t.APEv2, x)},
                           }}};
}

}  // namespace tunaro::engine::formats
