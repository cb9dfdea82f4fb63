// Each format's part of the reader registry, defined in its own file here: how its reader
// fills %1..%6 and how tunaro-cli lists its fields. The rows that tie them to a reader kind
// are in engine/readers.cpp.
#pragma once

#include "engine/readers.h"
#include "tags/file_reader.h"

namespace tunaro::tags {
class TID3v1;
}  // namespace tunaro::tags

namespace tunaro::engine::formats {

using tags::TReadOnlyFile;

bool ReadMP3(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeMP3(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadTwinVQ(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeTwinVQ(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadOggVorbis(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeOggVorbis(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadMonkey(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeMonkey(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadMPEGplus(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeMPEGplus(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadRealMedia(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeRealMedia(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadWindowsMedia(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeWindowsMedia(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadFlac(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeFlac(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadOggFlac(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeOggFlac(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadOpus(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeOpus(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadSpeex(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeSpeex(TReadOnlyFile& file, const TTextDecoder& x);

// Any Ogg file, whatever its extension says: read by the reader of the codec its first packet
// names (Opus, FLAC, Speex), and otherwise by the Ogg Vorbis reader, as the Ogg type always
// was.
bool ReadOggStream(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeOggStream(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadMP4(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeMP4(TReadOnlyFile& file, const TTextDecoder& x);

// Pieces several formats share.

// An ID3v1 field's text, marked as filling the field when it is `width` bytes long.
TTagText ID3v1Text(const std::string& field, size_t width);
// %1..%6 of an ID3v1 tag: legacy texts and the track.
TTagTexts ID3v1Texts(const tags::TID3v1& tag);
// Monkey's Audio and Musepack files: the APE tag where the file has one, else the ID3v1 tag.
TTagTexts TagsAtTheEndTexts(const tags::TAPEv2& ape, const tags::TID3v1& v1);
TJson ID3v1Json(const tags::TID3v1& tag, bool loaded, const TTextDecoder& x);
TJson APEv2Json(const tags::TAPEv2& tag, const TTextDecoder& x);

}  // namespace tunaro::engine::formats
