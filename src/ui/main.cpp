// The window program: the special folders first, then the application's title, the main
// window and the manual rename dialog, then the message loop until the main window closes.
#include <QApplication>

#include "platform/shell_folder_info.h"
#include "ui/controls.h"
#include "ui/dialog_rename.h"
#include "ui/form_main.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const tunaro::platform::TShellFolderInfo ShellFolderInfo;
  QApplication::setApplicationName(QStringLiteral("Tunaro"));
  QApplication::setWindowIcon(tunaro::ui::MakeAppIcon());

  tunaro::ui::TFormMain FormMain(ShellFolderInfo.DesktopDir);
  tunaro::ui::TDialogRename DialogRename(&FormMain);
  DialogRename.setObjectName(QStringLiteral("DialogRename"));
  FormMain.SetDialogRename(&DialogRename);

  FormMain.show();
  return QApplication::exec();
}
