// The manual rename dialog: its layout and how each way of closing it answers.
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "platform/codec.h"
#include "ui/dialog_rename.h"

using tunaro::ui::TDialogRename;

namespace {

// Runs Execute with `act` done on the open dialog from its own event loop. A dialog that
// the action leaves open is closed, and reported, so that a fault cannot hang the test.
struct TOutcome {
  bool Result = false;
  bool WasOpen = false;
  bool LeftOpen = false;
  QString NewName;
};

TOutcome RunDialog(TDialogRename& dialog, const QString& oldName, const QString& proposed,
                   const std::function<void(TDialogRename&)>& act) {
  TOutcome outcome;
  outcome.NewName = proposed;
  QTimer::singleShot(0, &dialog, [&] {
    outcome.WasOpen = dialog.isVisible();
    act(dialog);
    if (dialog.isVisible()) {
      outcome.LeftOpen = true;
      dialog.reject();
    }
  });
  outcome.Result = dialog.Execute(oldName, outcome.NewName);
  return outcome;
}

QWidget* NextTabStop(QWidget* w) {
  do w = w->nextInFocusChain();
  while (!(w->focusPolicy() & Qt::TabFocus));
  return w;
}

void TypeName(TDialogRename& d, const QString& text) {
  QTest::keyClicks(d.EditNewName, text);
}

}  // namespace

class DialogRenameTest : public QObject {
  Q_OBJECT

 private slots:
  void windowFacts() {
    TDialogRename d;
    QCOMPARE(d.objectName(), QStringLiteral("DialogRename"));
    QCOMPARE(d.windowTitle(), QStringLiteral("改名"));
    QCOMPARE(d.size(), QSize(378, 167));
    QCOMPARE(d.minimumSize(), QSize(378, 167));
    QCOMPARE(d.maximumSize(), QSize(378, 167));
    const Qt::WindowFlags f = d.windowFlags();
    QVERIFY(f.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!f.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!f.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!f.testFlag(Qt::WindowContextHelpButtonHint));
    QCOMPARE(d.font().pixelSize(), 12);
    QCOMPARE(d.font().families().value(0), QStringLiteral("宋体"));
  }

  void controls_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("text");
    QTest::newRow("LabelOldName") << "LabelOldName" << QRect(16, 24, 48, 12) << "原文件名";
    QTest::newRow("StaticTextOldName") << "StaticTextOldName" << QRect(88, 16, 233, 25) << "";
    QTest::newRow("LabelNewName") << "LabelNewName" << QRect(16, 64, 66, 12) << "新文件名(&N)";
    QTest::newRow("EditNewName") << "EditNewName" << QRect(88, 56, 233, 25) << "";
    QTest::newRow("StaticTextNamingRule") << "StaticTextNamingRule" << QRect(24, 96, 321, 25) << "";
    QTest::newRow("ButtonOK") << "ButtonOK" << QRect(103, 132, 75, 25) << "确定";
    QTest::newRow("ButtonCancel") << "ButtonCancel" << QRect(207, 132, 75, 25) << "取消";
  }

  void controls() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QFETCH(QString, text);
    TDialogRename d;
    auto* w = d.findChild<QWidget*>(name);
    QVERIFY(w != nullptr);
    QCOMPARE(w->geometry(), place);
    QString shown;
    if (auto* label = qobject_cast<QLabel*>(w)) shown = label->text();
    if (auto* button = qobject_cast<QPushButton*>(w)) shown = button->text();
    QCOMPARE(shown, text);
  }

  void focusAndButtons() {
    TDialogRename d;
    // Tab goes round EditNewName, ButtonOK, ButtonCancel; the static texts never take the
    // focus.
    const QList<QWidget*> order = {d.EditNewName, d.ButtonOK, d.ButtonCancel, d.EditNewName};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) QCOMPARE(NextTabStop(order[i]), order[i + 1]);
    QCOMPARE(d.StaticTextOldName->focusPolicy(), Qt::NoFocus);
    QCOMPARE(d.StaticTextNamingRule->focusPolicy(), Qt::NoFocus);
    QVERIFY(d.ButtonOK->isDefault());
    QVERIFY(!d.ButtonCancel->isDefault());
    QCOMPARE(d.StaticTextOldName->frameShadow(), QFrame::Sunken);
    QCOMPARE(d.LabelNewName->buddy(), static_cast<QWidget*>(d.EditNewName));
    // No length limit on the new name.
    QVERIFY(d.EditNewName->maxLength() > 100000);
  }

  void namingRuleIsSetOnEachUse() {
    TDialogRename d;
    const TOutcome o = RunDialog(d, "a.mp3", "a.mp3", [](TDialogRename& dlg) {
      dlg.StaticTextNamingRule->clear();
      dlg.ButtonCancel->click();
    });
    QVERIFY(!o.LeftOpen);
    RunDialog(d, "a.mp3", "a.mp3", [](TDialogRename& dlg) { dlg.ButtonCancel->click(); });
    const QByteArray utf8 = d.StaticTextNamingRule->text().toUtf8();
    QCOMPARE(utf8, QByteArray(tunaro::ui::kNamingRule));
    const std::string gbk = tunaro::platform::Utf8ToGbk({utf8.constData(), size_t(utf8.size())});
    QCOMPARE(gbk.size(), size_t(49));
    QVERIFY(gbk.ends_with("/ > < | : * ? \\ \""));
  }

  // The whole proposed name is selected: typing replaces it, extension included.
  void enterAcceptsTheTypedName() {
    TDialogRename d;
    QString selected, oldShown;
    QWidget* focused = nullptr;
    const TOutcome o = RunDialog(d, "old.mp3", "old.mp3", [&](TDialogRename& dlg) {
      selected = dlg.EditNewName->selectedText();
      oldShown = dlg.StaticTextOldName->text();
      focused = dlg.focusWidget();
      TypeName(dlg, "Artist: Title.mp3");
      QTest::keyClick(dlg.EditNewName, Qt::Key_Return);
    });
    QVERIFY(o.WasOpen);
    QVERIFY(!o.LeftOpen);
    QCOMPARE(selected, QStringLiteral("old.mp3"));
    QCOMPARE(oldShown, QStringLiteral("old.mp3"));
    QCOMPARE(focused, static_cast<QWidget*>(d.EditNewName));
    QVERIFY(o.Result);
    QVERIFY(d.Accepted);
    QCOMPARE(o.NewName, QStringLiteral("Artist: Title.mp3"));
  }

  // The dialog object is shown again for every use; each use selects its new proposal whole.
  void everyUseSelectsTheWholeProposal() {
    TDialogRename d;
    QStringList selected;
    for (const QString& name : {QStringLiteral("one.mp3"), QStringLiteral("second name.ogg")}) {
      RunDialog(d, name, name, [&](TDialogRename& dlg) {
        selected << dlg.EditNewName->selectedText();
        QTest::keyClick(dlg.EditNewName, Qt::Key_End);
        QTest::keyClick(dlg.EditNewName, Qt::Key_Escape);
      });
    }
    QCOMPARE(selected, QStringList({"one.mp3", "second name.ogg"}));
  }

  void okButtonAcceptsTheProposal() {
    TDialogRename d;
    const TOutcome o =
        RunDialog(d, "a.mp3", "b.mp3", [](TDialogRename& dlg) { dlg.ButtonOK->click(); });
    QVERIFY(o.Result);
    QCOMPARE(o.NewName, QStringLiteral("b.mp3"));
  }

  void cancelLeavesTheNameUnchanged_data() {
    QTest::addColumn<int>("way");
    QTest::newRow("ButtonCancel") << 0;
    QTest::newRow("Escape") << 1;
    QTest::newRow("close box") << 2;
  }

  void cancelLeavesTheNameUnchanged() {
    QFETCH(int, way);
    TDialogRename d;
    // Accepted once before: the next use must not inherit it.
    RunDialog(d, "a.mp3", "a.mp3", [](TDialogRename& dlg) { dlg.ButtonOK->click(); });
    QVERIFY(d.Accepted);
    const TOutcome o = RunDialog(d, "a.mp3", "a.mp3", [way](TDialogRename& dlg) {
      TypeName(dlg, "typed.mp3");
      if (way == 0) dlg.ButtonCancel->click();
      if (way == 1) QTest::keyClick(dlg.EditNewName, Qt::Key_Escape);
      if (way == 2) dlg.close();
    });
    QVERIFY(!o.LeftOpen);
    QVERIFY(!o.Result);
    QVERIFY(!d.Accepted);
    QCOMPARE(o.NewName, QStringLiteral("a.mp3"));
  }

  void centredOnTheScreen() {
    TDialogRename d;
    QPoint centre;
    RunDialog(d, "a", "a", [&](TDialogRename& dlg) {
      centre = dlg.frameGeometry().center();
      dlg.reject();
    });
    const QPoint screen = QGuiApplication::primaryScreen()->geometry().center();
    QVERIFY2((centre - screen).manhattanLength() <= 1,
             qPrintable(QStringLiteral("centre %1,%2").arg(centre.x()).arg(centre.y())));
  }
};

QTEST_MAIN(DialogRenameTest)
#include "dialog_rename_test.moc"
