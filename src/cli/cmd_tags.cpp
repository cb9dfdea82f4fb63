#include <cstdio>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "engine/name_builder.h"
#include "engine/readers.h"

namespace tunaro::cli {

namespace {

using engine::TReaderKind;

std::string ID3v1Json(tags::TID3v1& r, bool loaded) {
  return TJsonObject()
      .Bool("Load", loaded)
      .Bool("Found", r.Found)
      .Number("VersionCode", r.VersionCode)
      .Gbk("Title", r.Title)
      .Gbk("Artist", r.Artist)
      .Gbk("Album", r.Album)
      .Gbk("Year", r.Year)
      .Gbk("Comment", r.Comment)
      .Number("Track", r.Track)
      .Number("GenreIndex", r.GenreIndex)
      .Str();
}

// Loads the file with every reader that its extension selects and prints their fields.
std::string ReadersJson(engine::TReaders& r, TReaderKind kind, const std::string& path) {
  TJsonObject o;
  switch (kind) {
    case TReaderKind::MP3: {
      const bool v1 = r.ID3v1.Load(path);
      o.Raw("TID3v1", ID3v1Json(r.ID3v1, v1));
      const bool v2 = r.ID3v2.Load(path);
      o.Raw("TID3v2", TJsonObject()
                          .Bool("Load", v2)
                          .Bool("Found", r.ID3v2.Found)
                          .Number("MajorVersion", r.ID3v2.MajorVersion)
                          .Number("TagSize", r.ID3v2.TagSize)
                          .Gbk("Title", r.ID3v2.Title)
                          .Gbk("Artist", r.ID3v2.Artist)
                          .Gbk("Album", r.ID3v2.Album)
                          .Number("Track", r.ID3v2.Track)
                          .Gbk("Year", r.ID3v2.Year)
                          .Gbk("Genre", r.ID3v2.Genre)
                          .Gbk("Comment", r.ID3v2.Comment)
                          .Str());
      break;
    }
    case TReaderKind::TwinVQ: {
      auto& t = r.TwinVQ;
      const bool loaded = t.Load(path);
      o.Raw("TTwinVQ", TJsonObject()
                           .Bool("Load", loaded)
                           .Bool("Found", t.Found)
                           .Number("ChannelMode", t.ChannelMode)
                           .Number("BitRate", t.BitRate)
                           .Number("SampleRate", t.SampleRate)
                           .Number("FileSize", t.FileSize)
                           .Real("Duration", t.Duration)
                           .Gbk("Title", t.Title)
                           .Gbk("Comment", t.Comment)
                           .Gbk("Author", t.Author)
                           .Gbk("RightsNotice", t.RightsNotice)
                           .Gbk("SourceFile", t.SourceFile)
                           .Str());
      break;
    }
    case TReaderKind::OggVorbis: {
      auto& t = r.OggVorbis;
      const bool loaded = t.Load(path);
      o.Raw("TOggVorbis", TJsonObject()
                              .Bool("Load", loaded)
                              .Bool("Found", t.Found)
                              .Number("FileSize", t.FileSize)
                              .Number("ChannelMode", t.ChannelMode)
                              .Number("SampleRate", t.SampleRate)
                              .Number("BitRate", t.BitRate)
                              .Number("SampleCount", t.SampleCount)
                              .Gbk("Title", t.Title)
                              .Gbk("Artist", t.Artist)
                              .Gbk("Album", t.Album)
                              .Number("Track", t.Track)
                              .Gbk("Year", t.Year)
                              .Gbk("Genre", t.Genre)
                              .Gbk("Comment", t.Comment)
                              .Gbk("Vendor", t.Vendor)
                              .Str());
      break;
    }
    case TReaderKind::Monkey: {
      auto& t = r.Monkey;
      const bool loaded = t.Load(path);
      const auto& h = t.Header;
      o.Raw("TMonkey", TJsonObject()
                           .Bool("Load", loaded)
                           .Bool("Found", t.Found())
                           .Number("FileSize", t.FileSize)
                           .Raw("Header", TJsonObject()
                                              .Gbk("ID", std::string(h.ID, 4))
                                              .Number("Version", h.Version)
                                              .Number("CompressionLevel", h.CompressionLevel)
                                              .Number("FormatFlags", h.FormatFlags)
                                              .Number("Channels", h.Channels)
                                              .Number("SampleRate", h.SampleRate)
                                              .Number("WavHeaderBytes", h.WavHeaderBytes)
                                              .Number("TerminatingBytes", h.TerminatingBytes)
                                              .Number("TotalFrames", h.TotalFrames)
                                              .Number("FinalFrameSamples", h.FinalFrameSamples)
                                              .Number("PeakLevel", h.PeakLevel)
                                              .Number("SeekElements", h.SeekElements)
                                              .Str())
                           .Raw("ID3v1", ID3v1Json(*t.ID3v1, t.ID3v1->Found))
                           .Str());
      break;
    }
    case TReaderKind::MPEGplus: {
      auto& t = r.MPEGplus;
      const bool loaded = t.Load(path);
      o.Raw("TMPEGplus", TJsonObject()
                             .Bool("Load", loaded)
                             .Bool("Found", t.Found)
                             .Number("ChannelMode", t.ChannelMode)
                             .Number("FileSize", t.FileSize)
                             .Number("FrameCount", t.FrameCount)
                             .Number("BitRate", t.BitRate)
                             .Number("StreamVersion", t.StreamVersion)
                             .Number("ProfileCode", t.ProfileCode)
                             .Raw("ID3v1", ID3v1Json(*t.ID3v1, t.ID3v1->Found))
                             .Str());
      break;
    }
    case TReaderKind::RealMedia: {
      auto& t = r.RealMedia;
      const bool loaded = t.Load(path);
      o.Raw("TRealMedia", TJsonObject()
                              .Bool("Load", loaded)
                              .Bool("Found", t.Found)
                              .Gbk("Title", t.Title)
                              .Gbk("Artist", t.Artist)
                              .Str());
      break;
    }
    case TReaderKind::WindowsMedia: {
      auto& t = r.WindowsMedia;
      const bool loaded = t.Load(path);
      o.Raw("TWindowsMedia", TJsonObject()
                                 .Bool("Load", loaded)
                                 .Bool("Found", t.Found)
                                 .Gbk("Title", t.Title)
                                 .Gbk("Author", t.Author)
                                 .Gbk("Copyright", t.Copyright)
                                 .Gbk("Description", t.Description)
                                 .Gbk("Rating", t.Rating)
                                 .Str());
      break;
    }
    case TReaderKind::None:
      break;
  }
  return o.Str();
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
    const std::string line =
        TJsonObject().Text("file", path).Raw("readers", ReadersJson(readers, kind, path)).Str() +
        "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return kExitOk;
}

}  // namespace tunaro::cli
