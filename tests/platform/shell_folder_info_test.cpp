#include "platform/shell_folder_info.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/fs.h"
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

// Every folder and file below `root`, to see that a look made nothing.
std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    names.push_back(e.path().string());
  std::sort(names.begin(), names.end());
  return names;
}

// The desktop folder is made where the user dirs put it, and nowhere else; a look beforehand
// (nothing made) foretells the outcome. In the texts, @ stands for a folder outside home.
TEST(ShellFolderInfo, MakesTheDesktopFolderWhereTheUserDirsPutIt) {
  struct TCase {
    const char* Home;      // below the test's folder
    const char* UserDirs;  // "" for no user-dirs.dirs
    const char* Desktop;   // the folder expected, below the test's folder
    int Errno;
  };
  const bool root = geteuid() == 0;  // root may write into a read-only folder
  const TCase cases[] = {
      {"h", "", "h/Desktop", 0},
      {"h", "XDG_DESKTOP_DIR=\"$HOME/a/桌面\"\n", "h/a/桌面", 0},
      {"h", "XDG_DESKTOP_DIR=\"$HOME/there\"\n", "h/there", 0},
      {"h", "XDG_DESKTOP_DIR=\"$HOME/file/Desktop\"\n", "h/file/Desktop", ENOTDIR},
      {"h", "XDG_DESKTOP_DIR=\"$HOME/file\"\n", "h/file", ENOTDIR},
      {"h", "XDG_DESKTOP_DIR=\"@/desk\"\n", "out/desk", 0},
      {"h", "XDG_DESKTOP_DIR=\"@/missing/desk\"\n", "out/missing/desk", ENOENT},
      {"h/gone", "", "h/gone/Desktop", ENOENT},  // the home folder is never made
      {"h", "XDG_DESKTOP_DIR=\"$HOME/\"\n", "h", 0},
      {"ro", "", "ro/Desktop", root ? 0 : EACCES},
  };
  for (const TCase& c : cases) {
    TTempDir dir;
    dir.MakeDir("h/there");
    dir.MakeDir("out");
    dir.Write("h/file", "x");
    dir.MakeDir("ro");
    ASSERT_EQ(chmod((dir / "ro").c_str(), 0555), 0);
    std::string userDirs = c.UserDirs;
    if (const size_t at = userDirs.find('@'); at != std::string::npos)
      userDirs.replace(at, 1, dir / "out");
    if (!userDirs.empty()) dir.Write("config/user-dirs.dirs", userDirs);
    const TUserEnvironment env{dir / c.Home, dir / "config"};
    const auto before = Tree(dir.Path());
    const TDesktopFolder look = MakeDesktopFolder(env, false);
    EXPECT_EQ(Tree(dir.Path()), before) << c.Desktop;
    EXPECT_EQ(look.Errno, c.Errno) << c.Desktop;
    const TDesktopFolder made = MakeDesktopFolder(env);
    EXPECT_EQ(made.Path, dir / c.Desktop);
    EXPECT_EQ(made.Errno, c.Errno) << c.Desktop;
    EXPECT_EQ(FolderState(made.Path) == 0, c.Errno == 0) << c.Desktop;
    EXPECT_EQ(made.Made, Tree(dir.Path()) != before) << c.Desktop;
    chmod((dir / "ro").c_str(), 0755);
  }
  EXPECT_EQ(MakeDesktopFolder(TUserEnvironment{}).Errno, ENOENT);
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
