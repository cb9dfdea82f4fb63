// Each format's part of the reader registry, defined in its own file here: how its reader
// fills %1..%6 and how tunaro-cli lists its fields. The rows that tie them to a reader kind
// are in engine/readers.cpp.
#pragma once

#include "engine/readers.h"
#include "tags/file_reader.h"

namespace tunaro::tags {
class TID3v1;
class TID3v2;
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

bool ReadWavPack(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeWavPack(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadWav(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeWav(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadAiff(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeAiff(TReadOnlyFile& file, const TTextDecoder& x);

bool ReadDsf(TReadOnlyFile& file, TTagTexts& texts);
TJson DescribeDsf(TReadOnlyFile& file, const TTextDecoder& x);

// Pieces several formats share.

// An ID3v1 field's text, marked as filling the field when it is `width` bytes long.
TTagText ID3v1Text(const std::string& field, size_t width);
// %1..%6 of an ID3v1 tag: legacy texts and the track.
TTagTexts ID3v1Texts(const tags::TID3v1& tag);
// %1..%6 of an APE tag.
TTagTexts APETexts(const tags::TAPEv2& ape);
// Monkey's Audio, Musepack and WavPack: the APE tag where the file has one (its album artist
// for an empty artist), else ID3v1.
TTagTexts TagsAtTheEndTexts(const tags::TAPEv2& ape, const tags::TID3v1& v1);
// An APE tag's text: Unicode in APEv2, code-page bytes in APEv1.
TTagText APEText(const tags::TAPEv2& tag, const std::string& text);
// An ID3v2 text: ready UTF-8 from a Unicode frame, code-page bytes from a legacy one.
TTagText ID3v2TagText(const std::string& text, uint8_t encoding);
// %1..%6 of an ID3v2 tag by itself, as an MP3 without an ID3v1 tag takes them.
TTagTexts ID3v2Texts(const tags::TID3v2& tag);
// The one rule for an empty artist, in every format: the album artist stands in for it (the
// tracks of a compilation are often tagged with it alone). Called once per stand-in, the
// first that holds text wins.
void FallBackToAlbumArtist(TTagTexts& texts, TTagText albumArtist);
// The ID3v2 tag of a WAV or AIFF chunk or of DSF's metadata, the album artist taken for an
// empty artist.
TTagTexts ChunkID3v2Texts(const tags::TID3v2& tag);
TJson ID3v1Json(const tags::TID3v1& tag, bool loaded, const TTextDecoder& x);
TJson ID3v2Json(const tags::TID3v2& tag, bool loaded, const TTextDecoder& x);
// The same for a tag within a file, with the album artist.
TJson ChunkID3v2Json(const tags::TID3v2& tag, const TTextDecoder& x);
TJson APEv2Json(const tags::TAPEv2& tag, const TTextDecoder& x);

}  // namespace tunaro::engine::formats
