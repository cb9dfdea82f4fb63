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

}  // namespace tunaro::platform
