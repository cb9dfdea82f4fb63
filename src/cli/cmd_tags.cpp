#include <array>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "cli/args.h"
#include "cli/commands.h"
#include "engine/folder_code_pages.h"
#include "engine/name_builder.h"
#include "engine/readers.h"
#include "platform/codec.h"
#include "tags/file_reader.h"

namespace tunaro::cli {

namespace {

using engine::TReaderKind;
// Keys in the order given, as the readers list their fields.
using engine::TJson;

std::string Hex(std::string_view bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const char c : bytes) {
    hex += kDigits[static_cast<uint8_t>(c) >> 4];
    hex += kDigits[static_cast<uint8_t>(c) & 15];
  }
  return hex;
}

// The readers' fields, and the six values %1..%6 the rename would use (null when the rename
// would find nothing to name the file by), decoded the way the folder is read: under "auto"
// as the folder's judgement from the files given says, as a run judges a dropped file with
// the other files of its folder in the list.
TJson FileJson(const std::string& path, const engine::TTagRead& read,
               const platform::TFolderReading& reading, bool detected) {
  const TReaderKind kind = engine::ReaderForExtension(engine::ExtractFileExt(path));
  const engine::TReaderRow& row = engine::ReaderRow(kind);
  TJson readers = TJson::object();
  if (row.Describe != nullptr) {
    tags::TReadOnlyFile file;
    file.Open(path);  // a file that cannot be opened lists its readers' empty fields
    readers = row.Describe(file, engine::TTextDecoder{reading});
  }
  const char* codePage = platform::kCodePageNames[static_cast<size_t>(reading.Page)];
  // A file name is bytes, not always UTF-8: "file" is valid UTF-8 with U+FFFD for what is
  // not, "fileHex" the exact bytes. Numbers are written without the locale's help, so a
  // decimal comma never appears.
  return TJson{
      {"file", path},
      {"fileHex", Hex(path)},
      {"reader", row.Name},
      {"readers", readers},
      {"codePage", reading.Mixed || reading.Unreadable ? "undecided" : codePage},
      {"codePageDetected", detected},
      {"values", read.Found ? TJson(engine::DecodeTagTexts(read.Texts, reading)) : TJson()},
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
  // Every file is read first: under "auto" a folder is judged from all its files given.
  std::vector<engine::TTagRead> reads(args.Operands.size());
  std::map<std::string, std::vector<platform::TFileTexts>> folders;
  for (size_t i = 0; i < args.Operands.size(); ++i) {
    const std::string& path = args.Operands[i];
    reads[i] = engine::ReadTag(engine::ReaderForExtension(engine::ExtractFileExt(path)), path);
    if (reads[i].Found)
      folders[engine::ExtractFilePath(platform::AbsolutePath(path))].push_back(
          engine::LegacyTexts(reads[i]));
  }
  std::map<std::string, platform::TFolderReading> judged;
  for (const auto& [folder, files] : folders)
    judged[folder] = codePage == platform::TCodePage::Auto ? platform::JudgeFolder(files)
                                                           : platform::TFolderReading{codePage};
  int status = kExitOk;
  for (size_t i = 0; i < args.Operands.size(); ++i) {
    const std::string& path = args.Operands[i];
    if (const std::string why = WhyUnreadable(path); !why.empty()) {
      std::fflush(stdout);
      std::fprintf(stderr, "tunaro-cli tags: %s: %s\n", path.c_str(), why.c_str());
      status = kExitSomeFailed;
      continue;
    }
    platform::TFolderReading reading{codePage};
    bool detected = false;
    if (const auto it = judged.find(engine::ExtractFilePath(platform::AbsolutePath(path)));
        it != judged.end()) {
      reading = platform::FileReading(it->second, engine::LegacyTexts(reads[i]));
      detected =
          codePage == platform::TCodePage::Auto && it->second.Page != platform::TCodePage::Auto;
    }
    const std::string line = FileJson(path, reads[i], reading, detected)
                                 .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) +
                             "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
  }
  return status;
}

}  // namespace tunaro::cli
