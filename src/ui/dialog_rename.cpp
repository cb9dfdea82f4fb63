#include "ui/dialog_rename.h"

#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <limits>

namespace tunaro::ui {

const char* const kNamingRule = "注意：文件名中不得出现如下字符：/ > < | : * ? \\ \"";

namespace {

// SimSun where it is installed, else a CJK face that the system has.
QFont DialogFont() {
  QFont font;
  font.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Serif CJK SC"),
                    QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")});
  font.setPixelSize(12);
  return font;
}

QLabel* StaticText(QWidget* parent, const QRect& place, const QString& objectName) {
  auto* text = new QLabel(parent);
  text->setObjectName(objectName);
  text->setGeometry(place);
  text->setFixedSize(place.size());
  text->setFocusPolicy(Qt::NoFocus);
  return text;
}

}  // namespace

TDialogRename::TDialogRename(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("DialogRename"));
  setWindowTitle(QStringLiteral("改名"));
  setFont(DialogFont());
  setFixedSize(378, 167);
  setSizeGripEnabled(false);

  LabelOldName = new QLabel(QStringLiteral("原文件名"), this);
  LabelOldName->setObjectName(QStringLiteral("LabelOldName"));
  LabelOldName->setGeometry(16, 24, 48, 12);

  StaticTextOldName = StaticText(this, {88, 16, 233, 25}, QStringLiteral("StaticTextOldName"));
  StaticTextOldName->setFrameStyle(QFrame::Panel | QFrame::Sunken);

  LabelNewName = new QLabel(QStringLiteral("新文件名(&N)"), this);
  LabelNewName->setObjectName(QStringLiteral("LabelNewName"));
  LabelNewName->setGeometry(16, 64, 66, 12);

  EditNewName = new QLineEdit(this);
  EditNewName->setObjectName(QStringLiteral("EditNewName"));
  EditNewName->setGeometry(88, 56, 233, 25);
  EditNewName->setFixedHeight(25);
  EditNewName->setMaxLength(std::numeric_limits<int>::max());
  // Alt+N reaches the box the label names.
  LabelNewName->setBuddy(EditNewName);

  StaticTextNamingRule =
      StaticText(this, {24, 96, 321, 25}, QStringLiteral("StaticTextNamingRule"));

  ButtonOK = new QPushButton(QStringLiteral("确定"), this);
  ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
  ButtonOK->setGeometry(103, 132, 75, 25);
  ButtonOK->setDefault(true);

  ButtonCancel = new QPushButton(QStringLiteral("取消"), this);
  ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
  ButtonCancel->setGeometry(207, 132, 75, 25);

  // The static texts come last and never take the focus.
  setTabOrder(EditNewName, ButtonOK);
  setTabOrder(ButtonOK, ButtonCancel);

  connect(ButtonOK, &QPushButton::clicked, this, &TDialogRename::ButtonOKClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &TDialogRename::ButtonCancelClick);
}

void TDialogRename::ButtonOKClick() {
  Accepted = true;
  accept();
}

void TDialogRename::ButtonCancelClick() {
  Accepted = false;
  reject();
}

bool TDialogRename::Execute(const QString& oldName, QString& newName) {
  StaticTextNamingRule->setText(QString::fromUtf8(kNamingRule));
  StaticTextOldName->setText(oldName);
  EditNewName->setText(newName);
  // Escape and the close box reject without a click: Accepted stays false for them.
  Accepted = false;
  exec();
  if (Accepted) newName = EditNewName->text();
  return Accepted;
}

// Typing replaces the whole proposed name, extension included.
void TDialogRename::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Here the frame is known, so the whole window, frame included, is centred.
  CentreOnScreen();
  EditNewName->setFocus(Qt::OtherFocusReason);
  EditNewName->selectAll();
}

void TDialogRename::CentreOnScreen() {
  const QScreen* screen =
      parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  QRect frame = frameGeometry();
  frame.moveCenter(screen->geometry().center());
  move(frame.topLeft());
}

}  // namespace tunaro::ui
