#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>

#include "platform/fs.h"
#include "platform/user_folders.h"

namespace tunaro::platform {

namespace {

// Reads $XDG_CONFIG_HOME/user-dirs.dirs: lines XDG_NAME_DIR="$HOME/Folder" or "/abs".
std::map<std::string, std::string> ReadUserDirs(const TUserEnvironment& env) {
  std::map<std::string, std::string> dirs;
  std::string bytes;
  ReadRegularFile(env.ConfigHome + "/user-dirs.dirs", bytes);  // missing: no folders named
  std::istringstream in(bytes);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string name = line.substr(0, eq);
    std::string value = line.substr(eq + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0)
      value = env.Home + value.substr(5);
    else if (value.empty() || value[0] != '/')
      continue;
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    dirs[name] = value;
  }
  return dirs;
}

}  // namespace

TUserEnvironment TUserEnvironment::FromProcess() {
  TUserEnvironment env;
  if (const char* home = std::getenv("HOME")) env.Home = home;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
    env.ConfigHome = config;
  else if (!env.Home.empty())
    env.ConfigHome = env.Home + "/.config";
  return env;
}

std::optional<TUserKey> TUserKey::Open(const std::string& key, const TUserEnvironment& env) {
  if (key != kShellFoldersKey) return std::nullopt;  // no map groups on this system
  if (env.Home.empty() && env.ConfigHome.empty()) return std::nullopt;
  const auto dirs = ReadUserDirs(env);
  auto pick = [&](const char* xdgName) -> std::string {
    const auto it = dirs.find(xdgName);
    return it == dirs.end() ? std::string() : it->second;
  };
  TUserKey k;
  std::string desktop = pick("XDG_DESKTOP_DIR");
  if (desktop.empty() && !env.Home.empty()) desktop = env.Home + "/Desktop";
  k.Values_["Desktop"] = desktop;
  k.Values_["Personal"] = pick("XDG_DOCUMENTS_DIR");
  k.Values_["Templates"] = pick("XDG_TEMPLATES_DIR");
  k.Values_["AppData"] = env.ConfigHome;
  if (!env.Home.empty()) {
    const std::string data = env.Home + "/.local/share";
    if (FileExists(data + "/fonts")) k.Values_["Fonts"] = data + "/fonts";
    if (FileExists(data + "/applications")) k.Values_["Programs"] = data + "/applications";
    if (FileExists(data + "/recently-used.xbel")) k.Values_["Recent"] = data;
    if (FileExists(env.ConfigHome + "/autostart"))
      k.Values_["Startup"] = env.ConfigHome + "/autostart";
  }
  return k;
}

std::string TUserKey::ReadString(const std::string& name) const {
  const auto it = Values_.find(name);
  return it == Values_.end() ? std::string() : it->second;
}

TDesktopFolder MakeDesktopFolder(const TUserEnvironment& env, bool make) {
  TDesktopFolder desktop;
  if (const auto key = TUserKey::Open(kShellFoldersKey, env))
    desktop.Path = key->ReadString("Desktop");
  const std::string& path = desktop.Path;
  if (path.empty()) {
    desktop.Errno = ENOENT;
    return desktop;
  }
  // Made are the folders below `base`: the home folder, or the desktop's own parent.
  std::string home = env.Home;
  while (!home.empty() && home.back() == '/') home.pop_back();
  const bool inHome =
      !env.Home.empty() && path.size() > home.size() + 1 && path.starts_with(home + "/");
  const std::string base = inHome ? home : path.substr(0, path.rfind('/'));
  if (path == home) {  // a desktop that is the home folder itself: looked at, never made
    desktop.Errno = FolderState(path);
    return desktop;
  }
  if ((desktop.Errno = FolderState(base)) != 0) return desktop;
  for (size_t end = base.size() + 1; end <= path.size(); ++end) {
    end = std::min(path.find('/', end), path.size());
    const std::string folder = path.substr(0, end);
    const int state = FolderState(folder);
    if (state == 0) continue;
    if (state != ENOENT) {
      desktop.Errno = state;
      return desktop;
    }
    if (!make) {
      // The parent is a folder (the step before looked): making the rest needs its write and
      // search rights, as this process holds them.
      const std::string parent = folder.substr(0, folder.rfind('/'));
      if (faccessat(AT_FDCWD, parent.empty() ? "/" : parent.c_str(), W_OK | X_OK, AT_EACCESS))
        desktop.Errno = errno;
      return desktop;
    }
    if (mkdir(folder.c_str(), 0755) == 0) {
      desktop.Made = folder == path;
      continue;
    }
    // EEXIST: another process made it meanwhile, which is as good if it is a folder.
    desktop.Errno = errno == EEXIST ? FolderState(folder) : errno;
    if (desktop.Errno != 0) return desktop;
  }
  return desktop;
}

}  // namespace tunaro::platform
