#include "engine/file_types.h"

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

const std::array<TFileType, 10> kFileTypes = {{
    {"MP3(*.MP3)", ".mp3", kLegendA},
    {"VQF(*.VQF)", ".vqf", kLegendB},
    {"OGG Vorbis(*.OGG)", ".ogg", kLegendC},
    {"Monkey's Audio(*.APE)", ".ape", kLegendA},
    {"MPEG Plus(*.MPP)", ".mpp", kLegendA},
    {"MPEG Plus(*.MPC)", ".mpc", kLegendA},
    {"RealMedia(*.RA)", ".ra", kLegendD},
    {"RealMedia(*.RM)", ".rm", kLegendD},
    {"RealMedia(*.RAM)", ".ram", kLegendD},
    {"WindowsMedia(*.WMA)", ".wma", kLegendE},
}};

const std::array<const char*, 4> kTemplatePresets = {"%1 - %2", "%1 - %3 - %2", "%1 - %3 (%4) - %2",
                                                     "%1 - %3 (%4) - %6 - %2"};

namespace {

std::string UpperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

}  // namespace

int DispatchPosition(std::string_view extension) {
  if (extension.empty()) return 0;
  const size_t pos = kExtensionDispatch.find(UpperAscii(extension));
  return pos == std::string_view::npos ? 0 : static_cast<int>(pos) + 1;
}

TReaderKind ReaderForExtension(std::string_view extension) {
  switch (DispatchPosition(extension)) {
    case 1:
      return TReaderKind::MP3;
    case 5:
      return TReaderKind::TwinVQ;
    case 9:
      return TReaderKind::OggVorbis;
    case 13:
      return TReaderKind::Monkey;
    case 17:
    case 21:
      return TReaderKind::MPEGplus;
    case 25:
    case 28:
    case 31:
      return TReaderKind::RealMedia;
    case 35:
      return TReaderKind::WindowsMedia;
    default:
      return TReaderKind::None;
  }
}

std::string CountCaption(std::string_view extension) {
  std::string caption = extension.empty() ? std::string() : UpperAscii(extension.substr(1));
  return caption + "文件数量：";
}

int FileTypeRowByName(std::string_view name) {
  // "MP3" is the same type as "mp3", as the window's type box and the scan see it.
  auto same = [](std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
      char x = a[i], y = b[i];
      if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
      if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
      if (x != y) return false;
    }
    return true;
  };
  for (size_t row = 0; row < kFileTypes.size(); ++row)
    if (same(std::string_view(kFileTypes[row].Extension).substr(1), name))
      return static_cast<int>(row);
  return -1;
}

}  // namespace tunaro::engine
