// The current user's special folders, read once at start-up. The program uses DesktopDir
// (where the run log and undo files go); the others are kept for completeness.
#pragma once

#include <string>

#include "platform/user_folders.h"

namespace tunaro::platform {

class TShellFolderInfo {
 public:
  TShellFolderInfo();
  explicit TShellFolderInfo(const TUserEnvironment& env);

  std::string DesktopDir;
  std::string FavoritesDir;
  std::string FontsDir;
  std::string NetHoodDir;
  std::string PersonalDir;
  std::string ProgramsDir;
  std::string RecentDir;
  std::string SendToDir;
  std::string StartMenuDir;
  std::string StartupDir;
  std::string TemplatesDir;
  std::string AppDataDir;
  std::string QuickLaunchDir;
};

}  // namespace tunaro::platform
