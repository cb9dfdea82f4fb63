// Runs a program as a user would from a shell, for tests of tunaro-cli.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tunaro::test {

struct TCommandResult {
  int Status = -1;  // exit status, -1 when the program did not exit normally
  std::string Out;
  std::string Err;
};

// Runs the program with the arguments (no shell involved) and collects both output streams.
TCommandResult RunCommand(const std::string& program, const std::vector<std::string>& args);

struct TCommandSetting {
  std::string Folder;                                    // current folder; "" keeps ours
  std::vector<std::pair<std::string, std::string>> Env;  // variables set for the program
  int User = -1;  // run as this user id (and group id) when we are root; -1 keeps ours
};

TCommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                          const TCommandSetting& setting);

struct TMadeLocale {
  std::string Name;  // for LC_ALL; empty when the locale could not be made
  std::string Why;   // what this system lacks for it, when it could not be made
};

// Compiles a locale (e.g. "de_DE", "UTF-8") into `folder`, for a program run with LOCPATH set
// to the folder and LC_ALL to the name returned; the system's locales stay as they are.
TMadeLocale MakeLocale(const std::string& folder, const std::string& source,
                       const std::string& charmap);

}  // namespace tunaro::test
