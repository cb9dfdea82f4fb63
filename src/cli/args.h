// A small argument reader shared by the commands: short and long options, then operands.
#pragma once

#include <string>
#include <vector>

namespace tunaro::cli {

struct TArgs {
  std::vector<std::string> Operands;
  std::string Error;  // set when an option is unknown or lacks its value

  // Takes options out of argv[first..]: flags are options without value, valued are options
  // that take the next argument. Returns the value of an option, or "" if absent.
  TArgs(int argc, char** argv, int first, const std::vector<std::string>& flags,
        const std::vector<std::string>& valued);
  bool Has(const std::string& option) const;
  std::string Value(const std::string& option, const std::string& fallback = "") const;

 private:
  std::vector<std::pair<std::string, std::string>> Options_;
};

}  // namespace tunaro::cli
