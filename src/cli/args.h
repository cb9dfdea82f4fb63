// A small argument reader shared by the commands: short and long options, then operands.
#pragma once

#include <string>
#include <vector>

namespace tunaro::cli {

struct TArgs {
  std::vector<std::string> Operands;
  // Set when an option is unknown or lacks its value, or a value or an operand is empty (as a
  // script passes an unset variable).
  std::string Error;
  bool Help = false;  // -h or --help was given

  // Takes options out of argv[first..]: flags are options without value, valued are options
  // that take the next argument. Returns the value of an option, or "" if absent.
  TArgs(int argc, char** argv, int first, const std::vector<std::string>& flags,
        const std::vector<std::string>& valued);
  bool Has(const std::string& option) const;
  std::string Value(const std::string& option, const std::string& fallback = "") const;
  // The value of an option that takes a count: digits only, at most `max`; false when it is
  // given otherwise. `value` keeps the fallback when the option is absent.
  bool Count(const std::string& option, unsigned max, unsigned& value) const;

 private:
  std::vector<std::pair<std::string, std::string>> Options_;
};

}  // namespace tunaro::cli
