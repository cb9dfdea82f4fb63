#include "cli/args.h"

#include <algorithm>
#include <cstdio>

#include "cli/commands.h"

namespace tunaro::cli {

TArgs::TArgs(int argc, char** argv, int first, const std::vector<std::string>& flags,
             const std::vector<std::string>& valued) {
  bool operandsOnly = false;
  for (int i = first; i < argc; ++i) {
    const std::string arg = argv[i];
    if (operandsOnly || arg.size() < 2 || arg[0] != '-') {
      Operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
      Options_.emplace_back(arg, "");
    } else if (std::find(valued.begin(), valued.end(), arg) != valued.end()) {
      if (i + 1 >= argc) {
        Error = "option " + arg + " needs a value";
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

bool CodePageOption(const TArgs& args, const char* command, platform::TCodePage& codePage) {
  const std::string name = args.Value("-c", "auto");
  if (platform::CodePageByName(name, codePage)) return true;
  std::fprintf(stderr, "tunaro-cli %s: unknown code page '%s' (auto gbk big5 sjis cp1252)\n",
               command, name.c_str());
  return false;
}

}  // namespace tunaro::cli
