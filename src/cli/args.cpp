#include "cli/args.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "cli/commands.h"
#include "platform/fs.h"
#include "platform/io_error.h"

namespace tunaro::cli {

TArgs::TArgs(int argc, char** argv, int first, const std::vector<std::string>& flags,
             const std::vector<std::string>& valued) {
  bool operandsOnly = false;
  for (int i = first; i < argc; ++i) {
    const std::string arg = argv[i];
    if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
      if (arg.empty()) {
        Error = "an empty FOLDER or FILE was given";
        return;
      }
      Operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      Help = true;
    } else if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
      Options_.emplace_back(arg, "");
    } else if (std::find(valued.begin(), valued.end(), arg) != valued.end()) {
      if (i + 1 >= argc || argv[i + 1][0] == 0) {
        Error = "option " + arg + " needs a value" + (i + 1 < argc ? ", not an empty one" : "");
        return;
      }
      Options_.emplace_back(arg, argv[++i]);
    } else {
      Error = "unknown option " + arg;
      return;
    }
  }
}

bool TArgs::Has(const std::string& option) const {
  return std::any_of(Options_.begin(), Options_.end(),
                     [&](const auto& o) { return o.first == option; });
}

std::string TArgs::Value(const std::string& option, const std::string& fallback) const {
  std::string value = fallback;
  for (const auto& o : Options_)
    if (o.first == option) value = o.second;
  return value;
}

bool TArgs::Count(const std::string& option, unsigned max, unsigned& value) const {
  if (!Has(option)) return true;
  const std::string text = Value(option);
  // Digits alone: strtoul would take " 5", "+5" and "-1" (as a huge number) too.
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const auto n = static_cast<unsigned>(std::stoul(text));
  if (n > max) return false;
  value = n;
  return true;
}

std::string WhyUnreadable(const std::string& path, int readError) {
  platform::TEntryKind kind = platform::TEntryKind::Other;
  const int err = platform::ProbeRegularFile(path, kind);
  if (err == 0) return readError == 0 ? std::string() : platform::IoErrorText(readError);
  if (err == ENOENT) return "no such file";
  if (kind == platform::TEntryKind::Directory) return "is a folder, not a file";
  if (err == EACCES && kind == platform::TEntryKind::Other)
    return "is not a regular file (a FIFO, device or socket)";
  return platform::IoErrorText(err);
}

bool CodePageOption(const TArgs& args, const char* command, platform::TCodePage& codePage) {
  const std::string name = args.Value("-c", "auto");
  if (platform::CodePageByName(name, codePage)) return true;
  std::fprintf(stderr, "tunaro-cli %s: unknown code page '%s' (auto gbk big5 sjis cp1252)\n",
               command, name.c_str());
  return false;
}

}  // namespace tunaro::cli
