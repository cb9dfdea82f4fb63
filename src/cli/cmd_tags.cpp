#include <array>
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

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[static_cast<uint8_t>(c) >> 4];
    hex += kDigits[static_cast<uint8_t>(c) & 15];
  }
  return hex;
}

// How a reader's texts are shown: decoded the way the rename decodes them.
struct TTexts {
  platform::TCodePage CodePage;
  // Legacy bytes (ID3v1, ID3v2 encoding 0, RealMedia, TwinVQ, APEv1).
  std::string Legacy(const std::string& t) const { return platform::LegacyToUtf8(t, CodePage); }
  // Texts of tags that store Unicode.
  std::string Unicode(const std::string& t) const { return engine::UnicodeTagText(t, CodePage); }
  std::string ID3v2(const std::string& t, uint8_t encoding) const {
    return engine::ID3v2Text(t, encoding, CodePage);
  }
};

TJson ID3v1Json(const tags::TID3v1& r, bool loaded, const TTexts& x) {
  return TJson{
      {"Load", loaded},
      {"Found", r.Found},
      {"VersionCode", r.VersionCode},
      {"Title", x.Legacy(r.Title)},
      {"Artist", x.Legacy(r.Artist)},
      {"Album", x.Legacy(r.Album)},
      {"Year", x.Legacy(r.Year)},
      {"Comment", x.Legacy(r.Comment)},
      {"Track", r.Track},
      {"GenreIndex", r.GenreIndex},
  };
}

TJson APEv2Json(const tags::TAPEv2& t, const TTexts& x) {
  const auto text = [&](const std::string& s) { return engine::APETagText(t, s, x.CodePage); };
  return TJson{
      {"Found", t.Found},           {"Version", t.Version},   {"Title", text(t.Title)},
      {"Artist", text(t.Artist)},   {"Album", text(t.Album)}, {"Year", text(t.Year)},
      {"Comment", text(t.Comment)}, {"Genre", text(t.Genre)}, {"Track", t.Track},
  };
}

// One function per reader kind, each loading the file and listing the reader's fields.
using TReaderJson = TJson (*)(engine::TReaders&, const std::string&, const TTexts&);

TJson MP3Json(engine::TReaders& r, const std::string& path, const TTexts& x) {
  const bool v1 = r.ID3v1.Load(path);
  const bool v2 = r.ID3v2.Load(path);
  const tags::TID3v2& t = r.ID3v2;
  return TJson{
      {"TID3v1", ID3v1Json(r.ID3v1, v1, x)},
      {"TID3v2",
       TJson{
           {"Load", v2},
           {"Found", t.Found},
           {"MajorVersion", t.MajorVersion},
           {"TagSize", t.TagSize},
           {"Title", x.ID3v2(t.Title, t.TitleEncoding)},
           {"Artist", x.ID3v2(t.Artist, t.ArtistEncoding)},
           {"Album", x.ID3v2(t.Album, t.AlbumEncoding)},
           {"Track", t.Track},
           {"Year", x.ID3v2(t.Year, t.YearEncoding)},
           {"Genre", x.ID3v2(t.Genre, t.GenreEncoding)},
           {"Comment", x.ID3v2(t.Comment, t.CommentEncoding)},
           {"Encodings", TJson{{"Title", t.TitleEncoding},
                               {"Artist", t.ArtistEncoding},
                               {"Album", t.AlbumEncoding},
                               {"Year", t.YearEncoding},
                               {"Genre", t.GenreEncoding},
                               {"Comment", t.CommentEncoding}}},
       }},
  };
}

TJson TwinVQJson(engine::TReaders& r, const std::string& path, const TTexts& x) {
  auto& t = r.TwinVQ;
  const bool loaded = t.Load(path);
  return TJson{{"TTwinVQ", TJson{
                               {"Load", loaded},
                               {"Found", t.Found},
                               {"ChannelMode", t.ChannelMode},
                               {"BitRate", t.BitRate},
                               {"SampleRate", t.SampleRate},
                               {"FileSize", t.FileSize},
                               {"Duration", t.Duration},
                               {"Title", x.Legacy(t.Title)},
                               {"Comment", x.Legacy(t.Comment)},
                               {"Author", x.Legacy(t.Author)},
                               {"RightsNotice", x.Legacy(t.RightsNotice)},
                               {"SourceFile", x.Legacy(t.SourceFile)},
                           }}};
}

TJson OggVorbisJson(engine::TReaders& r, const std::string& path, const TTexts& x) {
  auto& t = r.OggVorbis;
  const bool loaded = t.Load(path);
  return TJson{{"TOggVorbis", TJson{
                                  {"Load", loaded},
                                  {"Found", t.Found},
                                  {"FileSize", t.FileSize},
                                  {"ChannelMode", t.ChannelMode},
                                  {"SampleRate", t.SampleRate},
                                  {"BitRate", t.BitRate},
                                  {"SampleCount", t.SampleCount},
                                  {"Title", x.Unicode(t.Title)},
                                  {"Artist", x.Unicode(t.Artist)},
                                  {"Album", x.Unicode(t.Album)},
                                  {"Track", t.Track},
                                  {"Year", x.Unicode(t.Year)},
                                  {"Genre", x.Unicode(t.Genre)},
                                  {"Comment", x.Unicode(t.Comment)},
                                  {"Vendor", x.Unicode(t.Vendor)},
                              }}};
}

TJson MonkeyJson(engine::TReaders& r, const std::string& path, const TTexts& x) {
  auto& t = r.Monkey;
  const bool loaded = t.Load(path);
  const auto& h = t.Header;
  return TJson{{"TMonkey", TJson{
                               {"Load", loaded},
                               {"Found", t.Found()},
                               {"FileSize", t.FileSize},
                               {"Header",
                                TJson{
                                    {"ID", x.Legacy(std::string(h.ID, 4))},
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
                               {"ID3v1", ID3v1Json(*t.ID3v1, t.ID3v1->Found, x)},
                               {"APEv2", APEv2Json(*t.APEv2, x)},
                           }}};
}

TJson MPEGplusJson(engine::TReaders& r, const std::string& path, const TTexts& x) {
  auto& t = r.MPEGplus;
  const bool loaded = t.Load(path);
  return TJson{{"TMPEGplus", TJson{
                                 {"Load", loaded},
                                 {"Found", t.Found},
                                 {"ChannelMode", t.ChannelMode},
                                 {"FileSize", t.FileSize},
                                 {"FrameCount", t.FrameCount},
                                 {"BitRate", t.BitRate},
                                 {"StreamVersion", t.StreamVersion},
                                 {"ProfileCode", t.ProfileCode},
                                 {"ID3v1", ID3v1Json(*t.ID3v1, t.ID3v1->Found, x)},
                                 {"APEv2", APEv2Json(*t.APEv2, x)},
                             }}};
}

TJson RealMediaJson(engine::TReaders& r, const std::string& path, const TTexts& x) {
  auto& t = r.RealMedia;
  const bool loaded = t.Load(path);
  return TJson{{"TRealMedia", TJson{
                                  {"Load", loaded},
                                  {"Found", t.Found},
                                  {"Title", x.Legacy(t.Title)},
                                  {"Artist", x.Legacy(t.Artist)},
                              }}};
}

TJson WindowsMediaJson(engine::TReaders& r, const std::string& path, const TTexts& x) {
  auto& t = r.WindowsMedia;
  const bool loaded = t.Load(path);
  return TJson{{"TWindowsMedia", TJson{
                                     {"Load", loaded},
                                     {"Found", t.Found},
                                     {"Title", x.Unicode(t.Title)},
                                     {"Author", x.Unicode(t.Author)},
                                     {"Copyright", x.Unicode(t.Copyright)},
                                     {"Description", x.Unicode(t.Description)},
                                     {"Rating", x.Unicode(t.Rating)},
                                 }}};
}

// Indexed by TReaderKind, like the engine's reader table.
constexpr std::array<TReaderJson, engine::kReaderTypes.size()> kReaderJson = {
    nullptr,    MP3Json,      TwinVQJson,    OggVorbisJson,
    MonkeyJson, MPEGplusJson, RealMediaJson, WindowsMediaJson};

// The readers' fields, and the six values %1..%6 the rename would use (null when the rename
// would find nothing to name the file by).
TJson FileJson(engine::TReaders& r, const std::string& path, platform::TCodePage codePage) {
  const TReaderKind kind = engine::ReaderForExtension(engine::ExtractFileExt(path));
  const TReaderJson readers = kReaderJson[static_cast<size_t>(kind)];
  engine::TFieldValues values;
  const bool found = engine::ReadFieldValues(r, kind, path, codePage, values);
  // A file name is bytes, not always UTF-8: "file" is valid UTF-8 with U+FFFD for what is
  // not, "fileHex" the exact bytes. Numbers are written without the locale's help, so a
  // decimal comma never appears.
  return TJson{
      {"file", path},
      {"fileHex", Hex(path)},
      {"reader", engine::kReaderTypes[static_cast<size_t>(kind)].Name},
      {"readers", readers ? readers(r, path, TTexts{codePage}) : TJson::object()},
      {"values", found ? TJson(values) : TJson()},
  };
}

}  // namespace

int CmdTags(int argc, char** argv) {
  const TArgs args(argc, argv, 2, {}, {"-c"});
  if (args.Help) return PrintHelp("tags");
  if (!args.Error.empty() || args.Operands.empty()) {
    std::fprintf(stderr, "tunaro-cli tags: %s\n",
                 args.Error.empty() ? "give one or more FILEs" : args.Error.c_str());
    return kExitUsage;
  }
  platform::TCodePage codePage;
  if (!CodePageOption(args, "tags", codePage)) return kExitUsage;
  engine::TReaders readers;
  int status = kExitOk;
  for (const auto& path : args.Operands) {
    if (const std::string why = WhyUnreadable(path); !why.empty()) {
      std::fflush(stdout);
      std::fprintf(stderr, "tunaro-cli tags: %s: %s\n", path.c_str(), why.c_str());
      status = kExitSomeFailed;
      continue;
    }
    const std::string line = FileJson(readers, path, codePage)
                                 .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) +
                             "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return status;
}

}  // namespace tunaro::cli
