#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/ogg_packets.h"

namespace tunaro::engine::formats {

namespace {

struct TCodecReader {
  bool (*Read)(TReadOnlyFile& file, TTagTexts& texts);
  TJson (*Describe)(TReadOnlyFile& file, const TTextDecoder& x);
};

// The reader of the codec the stream's first packet names. The Ogg Vorbis reader takes
// everything else: it looks for its header at a fixed place, without regard to pages, and
// reads what it always read.
TCodecReader CodecReader(TReadOnlyFile& file) {
  switch (tags::OggStreamCodec(file)) {
    case tags::TOggCodec::Opus:
      return {ReadOpus, DescribeOpus};
    case tags::TOggCodec::Flac:
      return {ReadOggFlac, DescribeOggFlac};
    case tags::TOggCodec::Speex:
      return {ReadSpeex, DescribeSpeex};
    case tags::TOggCodec::Vorbis:
    case tags::TOggCodec::Unknown:
      break;
  }
  return {ReadOggVorbis, DescribeOggVorbis};
}

}  // namespace

bool ReadOggStream(TReadOnlyFile& file, TTagTexts& texts) {
  return CodecReader(file).Read(file, texts);
}

TJson DescribeOggStream(TReadOnlyFile& file, const TTextDecoder& x) {
  return CodecReader(file).Describe(file, x);
}

}  // namespace tunaro::engine::formats
