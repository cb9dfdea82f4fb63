// What the program does before its window opens: Qt's own texts in Chinese, and the folder or
// files named on the command line (a file manager's "Open with", a desktop entry's %F).
#pragma once

#include <string>
#include <vector>

namespace tunaro::ui {

struct TCommandLine {
  std::string Folder;              // one folder alone: the tree selects it
  std::vector<std::string> Files;  // anything else: added to the list as a drop adds them
  size_t Skipped = 0;              // paths that name nothing, left out
};

// args: the arguments after the program's name, as the file system's bytes; cwd: the folder
// relative paths start from. The paths come back absolute and without "." or ".." steps,
// their bytes as they were, UTF-8 or not.
TCommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& cwd);

// Qt's own dialogs format sizes, dates and numbers by the system locale, which Qt reads from
// the environment once: this has it read as Chinese. Called before the application object,
// which sets the C library's locale (and with it the run's date texts) from the user's
// environment as it was.
void UseChineseQtFormats();

// Loads Qt's Simplified Chinese texts (dialogs, standard buttons, edit menus) for the
// application, whatever the user's locale (LANG unset or another language): the rest of the
// interface is Chinese too. Qt's own formats follow (file types, sizes and dates in the file
// dialog). False when the translations are not installed.
bool InstallQtTranslations();

}  // namespace tunaro::ui
