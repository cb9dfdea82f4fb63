// The window program: the special folders first, then the application's title, the main
// window and the manual rename dialog, then the message loop until the main window closes.
#include <sys/stat.h>

#include <QApplication>
#include <string>

#include "platform/fs.h"
#include "platform/shell_folder_info.h"
#include "ui/controls.h"
#include "ui/dialog_rename.h"
#include "ui/form_main.h"

namespace {

// The folder named on the command line, or the folder of the file named there (the desktop
// entry passes the files the program is asked to open); empty when none is named.
std::string StartFolder(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '\0') return {};
  const std::string path = tunaro::platform::AbsolutePath(argv[1]);
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return path;
  const size_t slash = path.rfind('/');
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const tunaro::platform::TShellFolderInfo ShellFolderInfo;
  QApplication::setApplicationName(QStringLiteral("Tunaro"));
  QApplication::setWindowIcon(tunaro::ui::MakeAppIcon());

  // QApplication has taken its own options out of argv by now.
  tunaro::ui::TFormMain FormMain(ShellFolderInfo.DesktopDir, StartFolder(argc, argv));
  tunaro::ui::TDialogRename DialogRename(&FormMain);
  DialogRename.setObjectName(QStringLiteral("DialogRename"));
  FormMain.SetDialogRename(&DialogRename);

  FormMain.show();
  return QApplication::exec();
}
