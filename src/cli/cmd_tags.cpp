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
// would find nothing to name the file by).
TJson FileJson(engine::TReaders& r, const std::string& path, platform::TCodePage codePage) {
  const TReaderKind kind = engine::ReaderForExtension(engine::ExtractFileExt(path));
  const engine::TReaderRow& row = engine::ReaderRow(kind);
  engine::TFieldValues values;
  const bool found = engine::ReadFieldValues(r, kind, path, codePage, values);
  TJson readers = TJson::object();
  if (row.Describe != nullptr) {
    tags::TReadOnlyFile file;
    file.Open(path);  // a file that cannot be opened lists its readers' empty fields
    readers = row.Describe(file, engine::TTextDecoder{codePage});
  }
  // A file name is bytes, not always UTF-8: "file" is valid UTF-8 with U+FFFD for what is
  // not, "fileHex" the exact bytes. Numbers are written without the locale's help, so a
  // decimal comma never appears.
  return TJson{
      {"file", path},
      {"fileHex", Hex(path)},
      {"reader", row.Name},
      {"readers", readers},
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
