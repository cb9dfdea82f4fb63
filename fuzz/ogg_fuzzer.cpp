// The readers of Ogg streams other than Vorbis (Opus, Speex, Ogg FLAC) and the codec
// dispatch, all on the same arbitrary file contents: they share the page walk.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "tags/file_reader.h"
#include "tags/ogg_packets.h"
#include "tags/oggflac.h"
#include "tags/opus.h"
#include "tags/speex.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tunaro;
  static tags::TOpus opus;
  static tags::TSpeex speex;
  static tags::TOggFlac oggFlac;
  tags::TReadOnlyFile file;
  if (!file.Open(fuzz::InputPath(data, size))) return 0;
  volatile size_t sink = static_cast<size_t>(tags::OggStreamCodec(file));
  opus.Load(file);
  speex.Load(file);
  oggFlac.Load(file);
  sink = sink + opus.Found + opus.Channels + fuzz::TouchFields(opus.Comments);
  sink = sink + speex.Found + fuzz::Touch(speex.Version) + fuzz::TouchFields(speex.Comments);
  sink = sink + oggFlac.Found + oggFlac.Info.Channels + fuzz::TouchFields(oggFlac.Comments);
  (void)sink;
  return 0;
}
