#include "platform/shell_folder_info.h"

namespace tunaro::platform {

TShellFolderInfo::TShellFolderInfo() : TShellFolderInfo(TUserEnvironment::FromProcess()) {}

TShellFolderInfo::TShellFolderInfo(const TUserEnvironment& env) {
  if (const auto key = TUserKey::Open(kShellFoldersKey, env)) {
    DesktopDir = key->ReadString("Desktop");
    FavoritesDir = key->ReadString("Favorites");
    FontsDir = key->ReadString("Fonts");
    NetHoodDir = key->ReadString("NetHood");
    PersonalDir = key->ReadString("Personal");
    ProgramsDir = key->ReadString("Programs");
    RecentDir = key->ReadString("Recent");
    SendToDir = key->ReadString("SendTo");
    StartMenuDir = key->ReadString("Start Menu");
    StartupDir = key->ReadString("Startup");
    TemplatesDir = key->ReadString("Templates");
    AppDataDir = key->ReadString("AppData");
  }
  if (const auto key = TUserKey::Open(kMapGroupsKey, env))
    QuickLaunchDir = key->ReadString("Quick Launch");
  // The suffix goes straight after the folder, which the settings store without a separator.
  if (QuickLaunchDir.empty() && !AppDataDir.empty())
    QuickLaunchDir = AppDataDir + "/Microsoft/Internet Explorer/Quick Launch";
}

}  // namespace tunaro::platform
