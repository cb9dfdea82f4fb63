#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "cli/args.h"
#include "cli/commands.h"
#include "engine/name_builder.h"
#include "engine/readers.h"
#include "platform/codec.h"

namespace tunaro::cli {

namespace {

using engine::TReaderKind;
// Keys in the order given, as the readers list their fields.
using TJson = nlohmann::ordered_json;

// A GBK text of a reader, shown as UTF-8.
std::string Gbk(std::string_view gbk) {
  return platform::GbkToUtf8(gbk);
}

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[static_cast<uint8_t>(c) >> 4];
    hex += kDigits[static_cast<uint8_t>(c) & 15];
  }
  return hex;
}

TJson ID3v1Json(tags::TID3v1& r, bool loaded) {
  return TJson{
      {"Load", loaded},
      {"Found", r.Found},
      {"VersionCode", r.VersionCode},
      {"Title", Gbk(r.Title)},
      {"Artist", Gbk(r.Artist)},
      {"Album", Gbk(r.Album)},
      {"Year", Gbk(r.Year)},
      {"Comment", Gbk(r.Comment)},
      {"Track", r.Track},
      {"GenreIndex", r.GenreIndex},
  };
}

// Loads the file with every reader that its extension selects and prints their fields.
TJson ReadersJson(engine::TReaders& r, TReaderKind kind, const std::string& path) {
  TJson o = TJson::object();
  switch (kind) {
    case TReaderKind::MP3: {
      const bool v1 = r.ID3v1.Load(path);
      o["TID3v1"] = ID3v1Json(r.ID3v1, v1);
      const bool v2 = r.ID3v2.Load(path);
      o["TID3v2"] = TJson{
          {"Load", v2},
          {"Found", r.ID3v2.Found},
          {"MajorVersion", r.ID3v2.MajorVersion},
          {"TagSize", r.ID3v2.TagSize},
          {"Title", Gbk(r.ID3v2.Title)},
          {"Artist", Gbk(r.ID3v2.Artist)},
          {"Album", Gbk(r.ID3v2.Album)},
          {"Track", r.ID3v2.Track},
          {"Year", Gbk(r.ID3v2.Year)},
          {"Genre", Gbk(r.ID3v2.Genre)},
          {"Comment", Gbk(r.ID3v2.Comment)},
      };
      break;
    }
    case TReaderKind::TwinVQ: {
      auto& t = r.TwinVQ;
      const bool loaded = t.Load(path);
      o["TTwinVQ"] = TJson{
          {"Load", loaded},
          {"Found", t.Found},
          {"ChannelMode", t.ChannelMode},
          {"BitRate", t.BitRate},
          {"SampleRate", t.SampleRate},
          {"FileSize", t.FileSize},
          {"Duration", t.Duration},
          {"Title", Gbk(t.Title)},
          {"Comment", Gbk(t.Comment)},
          {"Author", Gbk(t.Author)},
          {"RightsNotice", Gbk(t.RightsNotice)},
          {"SourceFile", Gbk(t.SourceFile)},
      };
      break;
    }
    case TReaderKind::OggVorbis: {
      auto& t = r.OggVorbis;
      const bool loaded = t.Load(path);
      o["TOggVorbis"] = TJson{
          {"Load", loaded},
          {"Found", t.Found},
          {"FileSize", t.FileSize},
          {"ChannelMode", t.ChannelMode},
          {"SampleRate", t.SampleRate},
          {"BitRate", t.BitRate},
          {"SampleCount", t.SampleCount},
          {"Title", Gbk(t.Title)},
          {"Artist", Gbk(t.Artist)},
          {"Album", Gbk(t.Album)},
          {"Track", t.Track},
          {"Year", Gbk(t.Year)},
          {"Genre", Gbk(t.Genre)},
          {"Comment", Gbk(t.Comment)},
          {"Vendor", Gbk(t.Vendor)},
      };
      break;
    }
    case TReaderKind::Monkey: {
      auto& t = r.Monkey;
      const bool loaded = t.Load(path);
      const auto& h = t.Header;
      o["TMonkey"] = TJson{
          {"Load", loaded},
          {"Found", t.Found()},
          {"FileSize", t.FileSize},
          {"Header",
           TJson{
               {"ID", Gbk(std::string(h.ID, 4))},
               {"Version", h.Version},
               {"CompressionLevel", h.CompressionLevel},
               {"FormatFlags", h.FormatFlags},
               {"Channels", h.Channels},
               {"SampleRate", h.SampleRate},
               {"WavHeaderBytes", h.WavHeaderBytes},
               {"TerminatingBytes", h.TerminatingBytes},
               {"TotalFrames", h.TotalFrames},
               {"FinalFrameSamples", h.FinalFrameSamples},
               {"PeakLevel", h.PeakLevel},
               {"SeekElements", h.SeekElements},
           }},
          {"ID3v1", ID3v1Json(*t.ID3v1, t.ID3v1->Found)},
      };
      break;
    }
    case TReaderKind::MPEGplus: {
      auto& t = r.MPEGplus;
      const bool loaded = t.Load(path);
      o["TMPEGplus"] = TJson{
          {"Load", loaded},
          {"Found", t.Found},
          {"ChannelMode", t.ChannelMode},
          {"FileSize", t.FileSize},
          {"FrameCount", t.FrameCount},
          {"BitRate", t.BitRate},
          {"StreamVersion", t.StreamVersion},
          {"ProfileCode", t.ProfileCode},
          {"ID3v1", ID3v1Json(*t.ID3v1, t.ID3v1->Found)},
      };
      break;
    }
    case TReaderKind::RealMedia: {
      auto& t = r.RealMedia;
      const bool loaded = t.Load(path);
      o["TRealMedia"] = TJson{
          {"Load", loaded},
          {"Found", t.Found},
          {"Title", Gbk(t.Title)},
          {"Artist", Gbk(t.Artist)},
      };
      break;
    }
    case TReaderKind::WindowsMedia: {
      auto& t = r.WindowsMedia;
      const bool loaded = t.Load(path);
      o["TWindowsMedia"] = TJson{
          {"Load", loaded},
          {"Found", t.Found},
          {"Title", Gbk(t.Title)},
          {"Author", Gbk(t.Author)},
          {"Copyright", Gbk(t.Copyright)},
          {"Description", Gbk(t.Description)},
          {"Rating", Gbk(t.Rating)},
      };
      break;
    }
    case TReaderKind::None:
      break;
  }
  return o;
}

}  // namespace

int CmdTags(int argc, char** argv) {
  const TArgs args(argc, argv, 2, {}, {});
  if (!args.Error.empty() || args.Operands.empty()) {
    std::fprintf(stderr, "tunaro-cli tags: %s\n",
                 args.Error.empty() ? "give one or more FILEs" : args.Error.c_str());
    return kExitUsage;
  }
  engine::TReaders readers;
  for (const auto& path : args.Operands) {
    const auto kind = engine::ReaderForExtension(engine::ExtractFileExt(path));
    // A file name is bytes, not always UTF-8: "file" is valid UTF-8 with U+FFFD for what is
    // not, "fileHex" the exact bytes. Numbers are written without the locale's help, so a
    // decimal comma never appears.
    const TJson object = {
        {"file", path},
        {"fileHex", Hex(path)},
        {"readers", ReadersJson(readers, kind, path)},
    };
    const std::string line =
        object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return kExitOk;
}

}  // namespace tunaro::cli
