#include "tags/vorbis_comment.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/ascii.h"
#include "tags/file_reader.h"
#include "tags/text.h"

namespace tunaro::tags {

namespace {

constexpr size_t kWindowBytes = 64 * 1024;

}  // namespace

TFileRunSource::TFileRunSource(TReadOnlyFile& file, int64_t position, int64_t limit)
    : File_(file),
      Position_(position),
      Limit_(std::min(limit, file.Size())),
      Capacity_(static_cast<size_t>(std::clamp<int64_t>(Limit_ - position, 0, kWindowBytes))),
      Window_(std::make_unique_for_overwrite<uint8_t[]>(Capacity_)) {}

bool TFileRunSource::Read(void* out, size_t count) {
  if (count > Capacity_ || Position_ + static_cast<int64_t>(count) > Limit_) return false;
  if (Position_ < Start_ || Position_ + static_cast<int64_t>(count) > Start_ + Filled_) {
    const size_t want = static_cast<size_t>(std::min<int64_t>(Capacity_, Limit_ - Position_));
    const int64_t n = File_.ReadAt(Position_, Window_.get(), want);
    if (n < 0) return false;
    Start_ = Position_;
    Filled_ = n;
    if (static_cast<int64_t>(count) > Filled_) return false;
  }
  std::memcpy(out, Window_.get() + (Position_ - Start_), count);
  Position_ += static_cast<int64_t>(count);
  return true;
}

bool TFileRunSource::Skip(uint64_t count) {
  if (count > Remaining()) return false;
  Position_ += static_cast<int64_t>(count);
  return true;
}

uint64_t TFileRunSource::Remaining() const {
  return Position_ < Limit_ ? static_cast<uint64_t>(Limit_ - Position_) : 0;
}

namespace {

using TField = std::string TVorbisFields::*;
constexpr std::array<std::pair<std::string_view, TField>, 11> kKeys = {{
    {"TITLE", &TVorbisFields::Title},
    {"ARTIST", &TVorbisFields::Artist},
    {"ALBUM", &TVorbisFields::Album},
    {"TRACKNUMBER", &TVorbisFields::Track},
    {"DATE", &TVorbisFields::Date},
    {"GENRE", &TVorbisFields::Genre},
    {"COMMENT", &TVorbisFields::Comment},
    {"ALBUMARTIST", &TVorbisFields::AlbumArtist},
    {"ALBUM ARTIST", &TVorbisFields::AlbumArtist},
    {"DESCRIPTION", &TVorbisFields::Description},
    {"AUTHOR", &TVorbisFields::Author},
}};

// The field a key sets; nullptr for a key no field takes.
TField FieldOf(std::string_view key) {
  for (const auto& [name, field] : kKeys)
    if (platform::EqualIgnoringAsciiCase(key, name)) return field;
  return nullptr;
}

// The longest key above and its "=": an entry that shows none within these bytes is none of
// them.
constexpr size_t kKeyProbe = 16;

}  // namespace

bool TVorbisFields::IsKnownKey(std::string_view key) {
  return FieldOf(key) != nullptr;
}

void TVorbisFields::Take(std::string_view entry) {
  const size_t eq = entry.find('=');
  if (eq == std::string_view::npos) {
    if (Vendor.empty()) Vendor = entry;
    return;
  }
  const TField field = FieldOf(entry.substr(0, eq));
  if (field == nullptr) return;
  std::string& text = this->*field;
  if (text.size() < kCommentTextBytes) AppendValue(text, entry.substr(eq + 1));
}

void ReadVorbisComments(TCommentSource& source, size_t keep, TVorbisFields& fields) {
  std::string text;
  int64_t count = 0;
  for (int64_t read = 0; read <= count;) {
    uint8_t number[4];
    if (!source.Read(number, sizeof number)) return;
    const uint32_t length = LoadU32LE(number);
    if (length > source.Remaining()) return;  // the entry runs past the end
    const size_t kept = std::min<size_t>(length, keep);
    // The key first: an entry of a key no field takes is passed over without being copied.
    const size_t probe = std::min(kept, kKeyProbe);
    text.resize(kept);
    if (!source.Read(text.data(), probe)) return;
    const size_t eq = std::string_view(text.data(), probe).find('=');
    // Without "=" there, the entry is no key a field takes, only the vendor while there is
    // none.
    const bool wanted = eq == std::string_view::npos
                            ? fields.Vendor.empty()
                            : TVorbisFields::IsKnownKey(std::string_view(text.data(), eq));
    if (!wanted) {
      if (!source.Skip(length - probe)) return;
    } else {
      if (!source.Read(text.data() + probe, kept - probe) || !source.Skip(length - kept)) return;
      fields.Take(text);
    }
    ++read;
    if (read == 1) {
      if (!source.Read(number, sizeof number)) return;
      count = static_cast<int32_t>(LoadU32LE(number));
    }
  }
}

}  // namespace tunaro::tags
