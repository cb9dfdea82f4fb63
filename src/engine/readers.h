// The eight reader objects the front end creates once and reuses for every file, and the
// table by which a reader's fields fill the placeholders %1..%6.
#pragma once

#include <array>
#include <string>

#include "engine/file_types.h"
#include "engine/name_builder.h"
#include "platform/codec.h"
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

// How a reader kind is known to the user, and how its fields fill %1..%6.
struct TReaderType {
  TReaderKind Kind;
  const char* Name;  // "MP3", "TwinVQ", ...
};
// Indexed by TReaderKind.
extern const std::array<TReaderType, 8> kReaderTypes;

// Loads the file with the reader of `kind` and gives the six values as UTF-8: Unicode tag
// texts as they are, legacy byte texts decoded with `codePage`. False when no reader was
// selected or the reader found nothing.
bool ReadFieldValues(TReaders& readers, TReaderKind kind, const std::string& path,
                     platform::TCodePage codePage, TFieldValues& values);

// A text from a tag that stores Unicode, made sure to be UTF-8: a sequence cut at the
// reader's bound is dropped, and a text that is not UTF-8 at all (an old tagger's code-page
// bytes) is decoded as legacy text.
std::string UnicodeTagText(const std::string& text, platform::TCodePage codePage);
// An ID3v2 text as UTF-8, by the encoding of the frame it came from.
std::string ID3v2Text(const std::string& text, uint8_t encoding, platform::TCodePage codePage);
// An APE tag's text as UTF-8: APEv2 stores UTF-8, APEv1 code-page bytes.
std::string APETagText(const tags::TAPEv2& tag, const std::string& text,
                       platform::TCodePage codePage);

}  // namespace tunaro::engine
