// What the readers of the Vorbis comment family (FLAC, Ogg FLAC, Opus, Speex) share: the six
// texts their comments give, and their listings, alike but for the stream's own fields.
#pragma once

#include <nlohmann/json.hpp>

#include "engine/formats/formats.h"
#include "tags/vorbis_comment.h"

namespace tunaro::tags {
struct TFlacStreamInfo;
}  // namespace tunaro::tags

namespace tunaro::engine::formats {

// %1..%6: ARTIST (else ALBUMARTIST, else speexenc's AUTHOR), TITLE, ALBUM, DATE, COMMENT (else
// DESCRIPTION), TRACKNUMBER.
TTagTexts VorbisCommentTexts(const tags::TVorbisFields& fields);

// The comments, where the reader found its stream.
template <class TReader>
bool ReadVorbisFamily(TReadOnlyFile& file, TTagTexts& texts) {
  TReader reader;
  reader.Load(file);
  if (!reader.Found) return false;
  texts = VorbisCommentTexts(reader.Comments);
  return true;
}

void AddVorbisCommentJson(TJson& json, const tags::TVorbisFields& fields, const TTextDecoder& x);

// {"T<Format>": {"Load", "Found", "FileSize", the stream's own fields, "HasComments", and the
// comments}}.
template <class TReader>
TJson DescribeVorbisFamily(const char* name, TReadOnlyFile& file, const TTextDecoder& x,
                           TJson (*stream)(const TReader&)) {
  TReader t;
  const bool loaded = t.Load(file);
  TJson json{{"Load", loaded}, {"Found", t.Found}, {"FileSize", t.FileSize}};
  json.update(stream(t));
  json["HasComments"] = t.HasComments;
  AddVorbisCommentJson(json, t.Comments, x);
  return TJson{{name, json}};
}

// The fields of a FLAC STREAMINFO block, native or in Ogg.
TJson FlacStreamInfoJson(const tags::TFlacStreamInfo& info);

}  // namespace tunaro::engine::formats
