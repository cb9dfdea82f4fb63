#include "platform/shell_folder_info.h"

#include <clocale>

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "support/temp_dir.h"

namespace tunaro::platform {
namespace {

using test::TTempDir;

TEST(ShellFolderInfo, ReadsTheXdgUserDirs) {
  TTempDir home;
  home.Write(".config/user-dirs.dirs",
             "# written by xdg-user-dirs-update\n"
             "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n"
             "XDG_DOCUMENTS_DIR=\"/data/docs/\"\n"
             "XDG_TEMPLATES_DIR=\"$HOME/Templates\"\n");
  const TShellFolderInfo info({home.Path(), home / ".config"});
  EXPECT_EQ(info.DesktopDir, home / "桌面");
  EXPECT_EQ(info.PersonalDir, "/data/docs");
  EXPECT_EQ(info.TemplatesDir, home / "Templates");
  EXPECT_EQ(info.AppDataDir, home / ".config");
  EXPECT_EQ(info.QuickLaunchDir, home / ".config/Microsoft/Internet Explorer/Quick Launch");
  EXPECT_EQ(info.FavoritesDir, "");
}

TEST(ShellFolderInfo, DesktopDefaultsToTheHomeFolder) {
  TTempDir home;
  const TShellFolderInfo info({home.Path(), home / ".config"});
  EXPECT_EQ(info.DesktopDir, home / "Desktop");
}

TEST(ShellFolderInfo, NoEnvironmentLeavesAllEmpty) {
  const TShellFolderInfo info(TUserEnvironment{});
  EXPECT_EQ(info.DesktopDir, "");
  EXPECT_EQ(info.AppDataDir, "");
  EXPECT_EQ(info.QuickLaunchDir, "");
}

TEST(Clock, UsesTheLocaleFormats) {
  std::tm t{};
  t.tm_year = 102;
  t.tm_mon = 11;
  t.tm_mday = 31;
  t.tm_hour = 9;
  t.tm_min = 5;
  t.tm_sec = 7;
  const char* saved = std::setlocale(LC_TIME, nullptr);
  const std::string previous = saved ? saved : "C";
  std::setlocale(LC_TIME, "C");
  const TDateTimeTexts texts = FormatDateTime(t);
  std::setlocale(LC_TIME, previous.c_str());
  EXPECT_EQ(texts.ShortDate, "12/31/02");
  EXPECT_EQ(texts.LongTime, "09:05:07");
}

}  // namespace
}  // namespace tunaro::platform
