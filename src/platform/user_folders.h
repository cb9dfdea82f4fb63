// The current user's folder settings, standing in for the registry's values under
// HKEY_CURRENT_USER. Keys are only read, never created.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace tunaro::platform {

inline constexpr const char* kShellFoldersKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline constexpr const char* kMapGroupsKey =
    "\\Software\\Microsoft\\Windows\\CurrentVersion\\GrpConv\\MapGroups";

// Where the answers come from: the environment ($HOME, $XDG_CONFIG_HOME) and the XDG user
// dirs file. Tests build one with their own values instead of the process environment.
struct TUserEnvironment {
  std::string Home;
  std::string ConfigHome;  // $XDG_CONFIG_HOME, may be empty

  static TUserEnvironment FromProcess();
};

// An open key of the current user's settings: the values it holds by name.
class TUserKey {
 public:
  // Opens an existing key; nullopt when the key does not exist here.
  static std::optional<TUserKey> Open(const std::string& key, const TUserEnvironment& env);
  // A missing value reads as the empty text.
  std::string ReadString(const std::string& name) const;

 private:
  std::map<std::string, std::string> Values_;
};

}  // namespace tunaro::platform
