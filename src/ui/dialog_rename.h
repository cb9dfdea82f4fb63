// The modal dialog that asks for one file's new name.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace tunaro::ui {

// The rule shown under the name: the characters a file name may not hold.
extern const char* const kNamingRule;

// Created once and shown again for every use; each use sets its texts and Accepted anew.
class TDialogRename : public QDialog {
  Q_OBJECT

 public:
  explicit TDialogRename(QWidget* parent = nullptr);

  // Shows the old name and proposes newName, wholly selected. True when accepted; newName
  // then holds the edit box's text, else it is unchanged.
  bool Execute(const QString& oldName, QString& newName);

  // True when the dialog was last closed with ButtonOK (or Enter).
  bool Accepted = false;

  QLabel* LabelOldName = nullptr;
  QLabel* StaticTextOldName = nullptr;
  QLabel* LabelNewName = nullptr;
  QLineEdit* EditNewName = nullptr;
  QLabel* StaticTextNamingRule = nullptr;
  QPushButton* ButtonOK = nullptr;
  QPushButton* ButtonCancel = nullptr;

  void ButtonOKClick();
  void ButtonCancelClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CentreOnScreen();
};

}  // namespace tunaro::ui
