#include "engine/file_types.h"

#include "platform/ascii.h"

namespace tunaro::engine {

const char* const kLegendA =
    "%1=歌手； %2=歌名； %3=碟名； %4=年份； %5=备注； %6=曲号\r\n"
    "%1=artist; %2=title; %3=album; %4=year; %5=comment; %6=track";
const char* const kLegendB =
    "%1=歌手； %2=歌名； %3=无； %4=无； %5=备注； %6=无\r\n"
    "%1=author; %2=title; %3=n/a; %4=n/a; %5=comment; %6=n/a";
const char* const kLegendC =
    "%1=歌手； %2=歌名； %3=碟名； %4=日期； %5=备注； %6=曲号\r\n"
    "%1=artist; %2=title; %3=album; %4=date; %5=comment; %6=track";
const char* const kLegendD =
    "%1=歌手； %2=歌名； %3=无； %4=无； %5=无； %6=无\r\n"
    "%1=artist; %2=title; %3=n/a; %4=n/a; %5=n/a; %6=n/a";
const char* const kLegendE =
    "%1=歌手； %2=歌名； %3=版权； %4=描述； %5=分级； %6=无\r\n"
    "%1=author; %2=title; %3=copyright; %4=description; %5=level; %6=n/a";

const std::array<TFileType, 20> kFileTypes = {{
    {"MP3(*.MP3)", ".mp3", kLegendA, TReaderKind::MP3, "", "audio/mpeg"},
    {"VQF(*.VQF)", ".vqf", kLegendB, TReaderKind::TwinVQ, "", "audio/x-vqf"},
    {"OGG Vorbis(*.OGG)", ".ogg", kLegendC, TReaderKind::OggVorbis, "",
     "audio/ogg;audio/x-vorbis+ogg"},
    {"Monkey's Audio(*.APE)", ".ape", kLegendA, TReaderKind::Monkey, "", "audio/x-ape"},
    {"MPEG Plus(*.MPP)", ".mpp", kLegendA, TReaderKind::MPEGplus, "", "audio/x-musepack"},
    {"MPEG Plus(*.MPC)", ".mpc", kLegendA, TReaderKind::MPEGplus, "", "audio/x-musepack"},
    {"RealMedia(*.RA)", ".ra", kLegendD, TReaderKind::RealMedia, "", "audio/vnd.rn-realaudio"},
    {"RealMedia(*.RM)", ".rm", kLegendD, TReaderKind::RealMedia, "",
     "application/vnd.rn-realmedia"},
    {"RealMedia(*.RAM)", ".ram", kLegendD, TReaderKind::RealMedia, "", "application/ram"},
    {"WindowsMedia(*.WMA)", ".wma", kLegendE, TReaderKind::WindowsMedia, "", "audio/x-ms-wma"},
    {"FLAC(*.FLAC)", ".flac", kLegendC, TReaderKind::Flac, "", "audio/flac"},
    {"Ogg FLAC(*.OGA)", ".oga", kLegendC, TReaderKind::OggFlac, "", "audio/ogg;audio/x-flac+ogg"},
    {"Opus(*.OPUS)", ".opus", kLegendC, TReaderKind::Opus, "", "audio/x-opus+ogg"},
    {"Speex(*.SPX)", ".spx", kLegendC, TReaderKind::Speex, "", "audio/x-speex;audio/x-speex+ogg"},
    {"MPEG-4 Audio(*.M4A;*.M4B;*.MP4)", ".m4a", kLegendC, TReaderKind::MP4, ".m4b .mp4",
     "audio/mp4;audio/x-m4b"},
    {"WavPack(*.WV)", ".wv", kLegendA, TReaderKind::WavPack, "", "audio/x-wavpack"},
    {"WAV(*.WAV)", ".wav", kLegendA, TReaderKind::Wav, "", "audio/x-wav"},
    {"AIFF(*.AIF;*.AIFF;*.AIFC)", ".aif", kLegendA, TReaderKind::Aiff, ".aiff .aifc",
     "audio/x-aiff;audio/x-aifc"},
    {"DSF(*.DSF)", ".dsf", kLegendA, TReaderKind::Dsf, "", "audio/x-dsf"},
    {"所有音频文件", "", kLegendA, TReaderKind::None},
}};

const std::array<const char*, 4> kTemplatePresets = {"%1 - %2", "%1 - %3 - %2", "%1 - %3 (%4) - %2",
                                                     "%1 - %3 (%4) - %6 - %2"};

using platform::AsciiUpper;

std::vector<std::string_view> RowExtensions(const TFileType& type) {
  std::vector<std::string_view> extensions;
  if (*type.Extension != 0) extensions.push_back(type.Extension);
  std::string_view more = type.MoreExtensions;
  while (!more.empty()) {
    const size_t blank = more.find(' ');
    extensions.push_back(more.substr(0, blank));
    more = blank == std::string_view::npos ? std::string_view() : more.substr(blank + 1);
  }
  return extensions;
}

namespace {

// Every extension of the table with its reader, in the order of the rows.
struct TExtensionReader {
  std::string_view Extension;
  TReaderKind Reader;
};
const std::vector<TExtensionReader>& AllExtensions() {
  static const std::vector<TExtensionReader> all = [] {
    std::vector<TExtensionReader> v;
    for (const TFileType& type : kFileTypes)
      for (const std::string_view extension : RowExtensions(type))
        v.push_back({extension, type.Reader});
    return v;
  }();
  return all;
}

}  // namespace

const std::string& ExtensionDispatch() {
  static const std::string dispatch = [] {
    std::string s;
    for (const TExtensionReader& e : AllExtensions()) s += AsciiUpper(e.Extension);
    return s;
  }();
  return dispatch;
}

int DispatchPosition(std::string_view extension) {
  if (extension.empty()) return 0;
  const size_t pos = ExtensionDispatch().find(AsciiUpper(extension));
  return pos == std::string::npos ? 0 : static_cast<int>(pos) + 1;
}

TReaderKind ReaderForExtension(std::string_view extension) {
  const int position = DispatchPosition(extension);
  int start = 1;
  for (const TExtensionReader& e : AllExtensions()) {
    if (position == start) return e.Reader;
    start += static_cast<int>(e.Extension.size());
  }
  return TReaderKind::None;
}

bool TypeListsName(const TFileType& type, std::string_view name) {
  if (type.Reader == TReaderKind::None && *type.Extension == 0) {
    for (const TExtensionReader& e : AllExtensions())
      if (platform::EndsWithIgnoringAsciiCase(name, e.Extension)) return true;
    return false;
  }
  for (const std::string_view extension : RowExtensions(type))
    if (platform::EndsWithIgnoringAsciiCase(name, extension)) return true;
  return false;
}

std::string RowCountCaption(const TFileType& type) {
  return *type.Extension == 0 ? std::string("音频文件数量：") : CountCaption(type.Extension);
}

std::string CountCaption(std::string_view extension) {
  std::string caption = extension.empty() ? std::string() : AsciiUpper(extension.substr(1));
  return caption + "文件数量：";
}

int FileTypeRowByName(std::string_view name) {
  if (platform::EqualIgnoringAsciiCase(name, "all")) return static_cast<int>(kEveryTypeRow);
  for (size_t row = 0; row < kFileTypes.size(); ++row)
    for (const std::string_view extension : RowExtensions(kFileTypes[row]))
      if (platform::EqualIgnoringAsciiCase(extension.substr(1), name)) return static_cast<int>(row);
  return -1;
}

std::string FileTypeNames() {
  std::string names;
  for (const TExtensionReader& e : AllExtensions()) {
    if (!names.empty()) names += ' ';
    names += e.Extension.substr(1);
  }
  return names + " all";
}

}  // namespace tunaro::engine
