#include "tags/vorbis_comment.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/ascii.h"
#include "tags/file_reader.h"

namespace tunaro::tags {

namespace {

constexpr size_t kWindowBytes = 64 * 1024;

}  // namespace

TFileRunSource::TFileRunSource(TReadOnlyFile& file, int64_t position, int64_t limit)
    : File_(file),
      Position_(position),
      Limit_(std::min(limit, file.Size())),
      Window_(std::make_unique_for_overwrite<uint8_t[]>(kWindowBytes)) {}

bool TFileRunSource::Read(void* out, size_t count) {
  if (count > kWindowBytes || Position_ + static_cast<int64_t>(count) > Limit_) return false;
  if (Position_ < Start_ || Position_ + static_cast<int64_t>(count) > Start_ + Filled_) {
    const int64_t n = File_.ReadAt(Position_, Window_.get(), kWindowBytes);
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

void TVorbisFields::Take(std::string_view entry) {
  const size_t eq = entry.find('=');
  if (eq == std::string_view::npos) {
    if (Vendor.empty()) Vendor = entry;
    return;
  }
  const std::string key = platform::AsciiUpper(entry.substr(0, eq));
  const std::string_view value = entry.substr(eq + 1);
  static constexpr std::array<std::pair<const char*, std::string TVorbisFields::*>, 9> kKeys = {{
      {"TITLE", &TVorbisFields::Title},
      {"ARTIST", &TVorbisFields::Artist},
      {"ALBUM", &TVorbisFields::Album},
      {"TRACKNUMBER", &TVorbisFields::Track},
      {"DATE", &TVorbisFields::Date},
      {"GENRE", &TVorbisFields::Genre},
      {"COMMENT", &TVorbisFields::Comment},
      {"ALBUMARTIST", &TVorbisFields::AlbumArtist},
      {"ALBUM ARTIST", &TVorbisFields::AlbumArtist},
  }};
  for (const auto& [name, field] : kKeys)
    if (key == name) this->*field = value;
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
    text.resize(kept);
    if (!source.Read(text.data(), kept) || !source.Skip(length - kept)) return;
    fields.Take(text);
    ++read;
    if (read == 1) {
      if (!source.Read(number, sizeof number)) return;
      count = static_cast<int32_t>(LoadU32LE(number));
    }
  }
}

}  // namespace tunaro::tags
