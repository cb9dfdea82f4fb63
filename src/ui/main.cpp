// The window program: the special folders first, then the application's title, Qt's Chinese
// texts, the main window and the manual rename dialog, the folder or files named on the
// command line, then the message loop until the main window closes.
#include <QApplication>
#include <QDir>
#include <QFile>

#include "platform/shell_folder_info.h"
#include "ui/controls.h"
#include "ui/dialog_rename.h"
#include "ui/form_main.h"
#include "ui/startup.h"

int main(int argc, char** argv) {
  tunaro::ui::UseChineseQtFormats();
  QApplication app(argc, argv);
  const tunaro::platform::TShellFolderInfo ShellFolderInfo;
  QApplication::setApplicationName(QStringLiteral("Tunaro"));
  QApplication::setWindowIcon(tunaro::ui::MakeAppIcon());
  tunaro::ui::InstallQtTranslations();

  // Qt has taken its own options out of argv; what is left are the paths, as bytes.
  const std::vector<std::string> args(argv + 1, argv + argc);
  const tunaro::ui::TCommandLine commandLine =
      tunaro::ui::ParseCommandLine(args, QFile::encodeName(QDir::currentPath()).toStdString());

  tunaro::ui::TFormMain FormMain(ShellFolderInfo.DesktopDir, commandLine.Folder);
  tunaro::ui::TDialogRename DialogRename(&FormMain);
  DialogRename.setObjectName(QStringLiteral("DialogRename"));
  FormMain.SetDialogRename(&DialogRename);

  FormMain.show();
  if (!commandLine.Files.empty()) FormMain.FilesDropped(commandLine.Files);
  return QApplication::exec();
}
