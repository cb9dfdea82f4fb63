#include "engine/readers.h"

#include <algorithm>
#include <chrono>

#include "engine/formats/formats.h"
#include "tags/apev2.h"
#include "tags/file_reader.h"
#include "tags/id3v2.h"

namespace tunaro::engine {

using platform::LegacyToUtf8;
using platform::TCodePage;

namespace {

namespace f = formats;

// One row per reader kind, in the order of TReaderKind. The Ogg types read any Ogg stream by
// the codec its first packet names, so that an Opus file named .ogg is read too.
constexpr std::array<TReaderRow, static_cast<size_t>(TReaderKind::Count)> kReaderRows = {{
    {TReaderKind::None, "", nullptr, nullptr, {0, 0}},
    {TReaderKind::MP3, "MP3", f::ReadMP3, f::DescribeMP3, {}},
    {TReaderKind::TwinVQ, "TwinVQ", f::ReadTwinVQ, f::DescribeTwinVQ, {}},
    {TReaderKind::OggVorbis, "OggVorbis", f::ReadOggStream, f::DescribeOggStream, {}},
    {TReaderKind::Monkey, "Monkey", f::ReadMonkey, f::DescribeMonkey, {}},
    {TReaderKind::MPEGplus, "MPEGplus", f::ReadMPEGplus, f::DescribeMPEGplus, {}},
    {TReaderKind::RealMedia, "RealMedia", f::ReadRealMedia, f::DescribeRealMedia, {}},
    {TReaderKind::WindowsMedia, "WindowsMedia", f::ReadWindowsMedia, f::DescribeWindowsMedia, {}},
    {TReaderKind::Flac, "FLAC", f::ReadFlac, f::DescribeFlac, {8192, 0}},
    // .oga holds Vorbis as often as FLAC: the Vorbis reader's look at the end stays.
    {TReaderKind::OggFlac, "OggFLAC", f::ReadOggStream, f::DescribeOggStream, {8192, 4096}},
    {TReaderKind::Opus, "Opus", f::ReadOggStream, f::DescribeOggStream, {8192, 0}},
    {TReaderKind::Speex, "Speex", f::ReadOggStream, f::DescribeOggStream, {8192, 0}},
    // The head holds a moov written first; the tail, a moov written last (ffmpeg's default)
    // for about six minutes of AAC at 44.1 kHz, whose sample tables grow with the length.
    {TReaderKind::MP4, "MP4", f::ReadMP4, f::DescribeMP4, {64 * 1024, 64 * 1024}},
    {TReaderKind::WavPack, "WavPack", f::ReadWavPack, f::DescribeWavPack, {}},
    {TReaderKind::Wav, "WAV", f::ReadWav, f::DescribeWav, {}},
    {TReaderKind::Aiff, "AIFF", f::ReadAiff, f::DescribeAiff, {}},
    {TReaderKind::Dsf, "DSF", f::ReadDsf, f::DescribeDsf, {}},
}};

constexpr bool RowsInKindOrder() {
  for (size_t i = 0; i < kReaderRows.size(); ++i)
    if (static_cast<size_t>(kReaderRows[i].Kind) != i) return false;
  return true;
}
static_assert(RowsInKindOrder(), "one reader row per kind, in the order of TReaderKind");

}  // namespace

const TReaderRow& ReaderRow(TReaderKind kind) {
  const auto i = static_cast<size_t>(kind);
  return i < kReaderRows.size() ? kReaderRows[i] : kReaderRows[0];
}

std::string UnicodeTagText(const std::string& text, TCodePage codePage) {
  if (platform::IsValidUtf8(text)) return text;
  // A reader that bounds its texts may cut the last character: drop its first bytes.
  size_t end = text.size();
  for (size_t k = 0; k < 3 && end > 0; ++k) {
    const auto c = static_cast<unsigned char>(text[end - 1]);
    --end;
    if (c >= 0xC0) break;      // the lead byte of the cut sequence
    if ((c & 0xC0) != 0x80) {  // no continuation byte: nothing was cut
      end = text.size();
      break;
    }
  }
  if (end < text.size() && platform::IsValidUtf8(std::string_view(text).substr(0, end)))
    return text.substr(0, end);
  return LegacyToUtf8(text, codePage);
}

std::string DecodeTagText(const TTagText& text, const platform::TFolderReading& reading) {
  switch (text.Kind) {
    case TTextKind::Legacy:
      return platform::ReadLegacyText(reading, text.Bytes, text.FullField);
    case TTextKind::Unicode:
      // UTF-8 by the format (a sequence the reader's bound cut dropped); what is not UTF-8 at
      // all is an old tagger's code-page bytes.
      if (const std::string utf8 = UnicodeTagText(text.Bytes, TCodePage::Utf8);
          utf8.find(platform::kUndecodable) == std::string::npos)
        return utf8;
      return platform::ReadLegacyText(reading, text.Bytes, false);
    case TTextKind::Ready:
      break;
  }
  return text.Bytes;
}

TFieldValues DecodeTagTexts(const TTagTexts& texts, const platform::TFolderReading& reading) {
  TFieldValues values;
  for (size_t i = 0; i < texts.size(); ++i) values[i] = DecodeTagText(texts[i], reading);
  return values;
}

std::string DecodeTagText(const TTagText& text, TCodePage codePage) {
  platform::TFolderReading reading;
  reading.Page = codePage;
  return DecodeTagText(text, reading);
}

TFieldValues DecodeTagTexts(const TTagTexts& texts, TCodePage codePage) {
  platform::TFolderReading reading;
  reading.Page = codePage;
  return DecodeTagTexts(texts, reading);
}

std::string TTextDecoder::Legacy(const std::string& t, bool fullField) const {
  return DecodeTagText(LegacyText(t, fullField), Reading);
}
std::string TTextDecoder::Unicode(const std::string& t) const {
  return DecodeTagText(UnicodeText(t), Reading);
}
std::string TTextDecoder::ID3v2(const std::string& t, uint8_t encoding) const {
  return tags::TID3v2::IsUnicode(encoding) ? t : Legacy(t);
}
std::string TTextDecoder::APE(const tags::TAPEv2& tag, const std::string& t) const {
  return tag.Version >= 2000 ? Unicode(t) : Legacy(t);
}

namespace {

// Whether a write just after the read could have left the file's stamp as it was: a rewrite
// of the same size within the file system's time granularity. exFAT through FUSE keeps whole
// seconds, FAT two, and an older kernel stamps a change with its clock tick (up to 10 ms).
// As git does with a "racily clean" entry, a read whose stamp is not older than the read's
// start by more than that is not trusted: the run reads the file again. Stamps that are
// whole seconds in both times say a coarse file system; a library's files are far older, so
// this costs a second read of only the files changed just before.
bool StampTooNewToTrust(const platform::TFileStamp& stamp, int64_t readStartNs) {
  constexpr int64_t kSecond = 1'000'000'000;
  const bool wholeSeconds = stamp.ModifiedNs % kSecond == 0 && stamp.ChangedNs % kSecond == 0;
  const int64_t granularity = wholeSeconds ? 2 * kSecond : kSecond / 50;
  return std::max(stamp.ModifiedNs, stamp.ChangedNs) + granularity >= readStartNs;
}

// A read of a file in the cache takes microseconds; one over a network, round trips of a
// millisecond and more.
constexpr int64_t kSlowRead = 1'000'000;

int64_t WallClockNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

TTagRead ReadTag(TReaderKind kind, const std::string& path, bool listedRegular, bool timed) {
  TTagRead read;
  if (timed) read.StartNs = WallClockNs();
  const TReaderRow& row = ReaderRow(kind);
  if (row.Read == nullptr) return read;
  tags::TReadOnlyFile file;
  read.Opened = file.Open(path, listedRegular);
  if (!read.Opened) return read;
  read.Stamp = file.Stamp();
  read.Attributes = file.OwnAttributes();
  read.Found = row.Read(file, read.Texts);
  read.Waited = file.Waited();
  read.Slow = timed && WallClockNs() - read.StartNs > kSlowRead;
  return read;
}

bool StillAsRead(TTagRead& read, const std::string& path) {
  platform::TFileStamp now;
  int32_t own = -1;
  if (!read.Opened || read.Stamp.Link || StampTooNewToTrust(read.Stamp, read.StartNs) ||
      platform::LookAtFile(path, now, own) != 0 || now != read.Stamp)
    return false;
  read.Attributes = own;
  return true;
}

bool ReadFieldValues(TReaders&, TReaderKind kind, const std::string& path, TCodePage codePage,
                     TFieldValues& values) {
  const TTagRead read = ReadTag(kind, path);
  if (!read.Found) return false;
  values = DecodeTagTexts(read.Texts, codePage);
  return true;
}

}  // namespace tunaro::engine
