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

const std::array<TFileType, 10> kFileTypes = {{
    {"MP3(*.MP3)", ".mp3", kLegendA, TReaderKind::MP3},
    {"VQF(*.VQF)", ".vqf", kLegendB, TReaderKind::TwinVQ},
    {"OGG Vorbis(*.OGG)", ".ogg", kLegendC, TReaderKind::OggVorbis},
    {"Monkey's Audio(*.APE)", ".ape", kLegendA, TReaderKind::Monkey},
    {"MPEG Plus(*.MPP)", ".mpp", kLegendA, TReaderKind::MPEGplus},
    {"MPEG Plus(*.MPC)", ".mpc", kLegendA, TReaderKind::MPEGplus},
    {"RealMedia(*.RA)", ".ra", kLegendD, TReaderKind::RealMedia},
    {"RealMedia(*.RM)", ".rm", kLegendD, TReaderKind::RealMedia},
    {"RealMedia(*.RAM)", ".ram", kLegendD, TReaderKind::RealMedia},
    {"WindowsMedia(*.WMA)", ".wma", kLegendE, TReaderKind::WindowsMedia},
}};

const std::array<const char*, 4> kTemplatePresets = {"%1 - %2", "%1 - %3 - %2", "%1 - %3 (%4) - %2",
                                                     "%1 - %3 (%4) - %6 - %2"};

using platform::AsciiUpper;

const std::string& ExtensionDispatch() {
  static const std::string dispatch = [] {
    std::string s;
    for (const TFileType& type : kFileTypes) s += AsciiUpper(type.Extension);
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
  int rowStart = 1;
  for (const TFileType& type : kFileTypes) {
    if (position == rowStart) return type.Reader;
    rowStart += static_cast<int>(std::string_view(type.Extension).size());
  }
  return TReaderKind::None;
}

std::string CountCaption(std::string_view extension) {
  std::string caption = extension.empty() ? std::string() : AsciiUpper(extension.substr(1));
  return caption + "文件数量：";
}

int FileTypeRowByName(std::string_view name) {
  const std::string upper = AsciiUpper(name);
  for (size_t row = 0; row < kFileTypes.size(); ++row)
    if (AsciiUpper(kFileTypes[row].Extension + 1) == upper) return static_cast<int>(row);
  return -1;
}

std::string FileTypeNames() {
  std::string names;
  for (const TFileType& type : kFileTypes) {
    if (!names.empty()) names += ' ';
    names += type.Extension + 1;
  }
  return names;
}

}  // namespace tunaro::engine
