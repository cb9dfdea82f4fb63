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

// The desktop folder, where the run log and the undo files go: XDG_DESKTOP_DIR of
// user-dirs.dirs, else $HOME/Desktop.
struct TDesktopFolder {
  std::string Path;   // "" when the environment names no home folder (Errno ENOENT)
  int Errno = 0;      // 0 when the folder is there (or, not made, could be made); else why not
  bool Made = false;  // this call made the desktop folder
};

// Makes the desktop folder when it is missing, as xdg-user-dirs makes the folders it names:
// with the missing folders between it and the home folder, mode 0755 less the umask. The home
// folder itself is never made, nor a missing folder above a desktop outside the home folder.
// With `make` false nothing is made, and Errno tells beforehand whether making it would
// succeed (a preview's question); a path that is there but not a folder gives ENOTDIR.
TDesktopFolder MakeDesktopFolder(const TUserEnvironment& env, bool make = true);

}  // namespace tunaro::platform
