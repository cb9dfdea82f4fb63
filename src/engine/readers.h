// The eight reader objects the front end creates once and reuses for every file, and the
// table by which a reader's fields fill the placeholders %1..%6.
#pragma once

#include <string>

#include "engine/file_types.h"
#include "engine/name_builder.h"
#include "tags/id3v1.h"
#include "tags/id3v2.h"
#include "tags/monkey.h"
#include "tags/mpegplus.h"
#include "tags/oggvorbis.h"
#include "tags/realmedia.h"
#include "tags/twinvq.h"
#include "tags/windowsmedia.h"

namespace tunaro::engine {

// Created in this order: TID3v1, TID3v2, TTwinVQ, TOggVorbis, TMonkey, TMPEGplus, TRealMedia,
// TWindowsMedia.
struct TReaders {
  tags::TID3v1 ID3v1;
  tags::TID3v2 ID3v2;
  tags::TTwinVQ TwinVQ;
  tags::TOggVorbis OggVorbis;
  tags::TMonkey Monkey;
  tags::TMPEGplus MPEGplus;
  tags::TRealMedia RealMedia;
  tags::TWindowsMedia WindowsMedia;
};

// Loads the file with the reader of `kind` and gives the six values (GBK bytes as the reader
// holds them). False when no reader was selected or the reader found nothing. For MP3 the
// ID3v2 tag is read only when there is no ID3v1 tag.
bool ReadFieldValues(TReaders& readers, TReaderKind kind, const std::string& path,
                     TFieldValues& values);

}  // namespace tunaro::engine
