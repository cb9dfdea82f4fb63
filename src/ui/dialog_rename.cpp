#include "ui/dialog_rename.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tunaro::ui {

const char* const kNamingRule = "注意：文件名中不得出现如下字符：/ > < | : * ? \\ \"";

// The full layout comes with its own work; this keeps the program whole meanwhile.
TDialogRename::TDialogRename(QWidget* parent) : QDialog(parent) {
  EditNewName = new QLineEdit(this);
}

bool TDialogRename::Execute(const QString&, QString& newName) {
  EditNewName->setText(newName);
  Accepted = exec() == QDialog::Accepted;
  if (Accepted) newName = EditNewName->text();
  return Accepted;
}

}  // namespace tunaro::ui
