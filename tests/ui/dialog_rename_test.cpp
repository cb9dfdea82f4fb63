// The manual rename dialog: its layout and how each way of closing it answers.
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
// the action leaves open is closed, so that a fault cannot hang the test.
bool Run(TDialogRename& d, QString& newName, const std::function<void()>& act) {
  QTimer::singleShot(0, &d, [&] {
    const bool wasOpen = d.isVisible();
    if (wasOpen) act();
    const bool leftOpen = d.isVisible();
    d.reject();
    QVERIFY(wasOpen);
    QVERIFY2(!leftOpen, "the dialog stayed open");
  });
  return d.Execute(QStringLiteral("old.mp3"), newName);
}

}  // namespace

class DialogRenameTest : public QObject {
  Q_OBJECT

 private slots:
  void layout() {
    TDialogRename d;
    QCOMPARE(d.windowTitle(), QStringLiteral("改名"));
    QCOMPARE(d.minimumSize(), QSize(378, 167));
    QCOMPARE(d.maximumSize(), QSize(378, 167));
    QVERIFY(d.windowFlags() & Qt::WindowCloseButtonHint);
    QVERIFY(!(d.windowFlags() & (Qt::WindowMinMaxButtonsHint | Qt::WindowContextHelpButtonHint)));
    QCOMPARE(d.font().pixelSize(), 12);
    QCOMPARE(d.font().families().value(0), QStringLiteral("宋体"));

    const struct {
      QWidget* Control;
      QRect Place;
      QString Text;
    } controls[] = {
        {d.LabelOldName, {16, 24, 48, 12}, "原文件名"},
        {d.StaticTextOldName, {88, 16, 233, 25}, ""},
        {d.LabelNewName, {16, 64, 66, 12}, "新文件名(&N)"},
        {d.EditNewName, {88, 56, 233, 25}, ""},
        {d.StaticTextNamingRule, {24, 96, 321, 25}, ""},
        {d.ButtonOK, {103, 132, 75, 25}, "确定"},
        {d.ButtonCancel, {207, 132, 75, 25}, "取消"},
    };
    for (const auto& c : controls) {
      QCOMPARE(c.Control->geometry(), c.Place);
      if (auto* label = qobject_cast<QLabel*>(c.Control)) QCOMPARE(label->text(), c.Text);
      if (auto* button = qobject_cast<QPushButton*>(c.Control)) QCOMPARE(button->text(), c.Text);
    }
    // Tab goes round the edit box and the two buttons; static texts never take the focus.
    QWidget* w = d.EditNewName;
    const QList<QWidget*> tabStops = {d.ButtonOK, d.ButtonCancel, d.EditNewName};
    for (QWidget* next : tabStops) {
      do w = w->nextInFocusChain();
      while (!(w->focusPolicy() & Qt::TabFocus));
      QCOMPARE(w, next);
    }
    QVERIFY(d.ButtonOK->isDefault());
    QCOMPARE(d.StaticTextOldName->frameShadow(), QFrame::Sunken);
    QVERIFY(d.EditNewName->maxLength() > 100000);
  }

  void closing_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("result");
    QTest::newRow("Enter") << 0 << true << "Artist: Title.mp3";
    QTest::newRow("ButtonOK") << 1 << true << "Artist: Title.mp3";
    QTest::newRow("ButtonCancel") << 2 << false << "proposed.mp3";
    QTest::newRow("Escape") << 3 << false << "proposed.mp3";
    QTest::newRow("close box") << 4 << false << "proposed.mp3";
  }

  // Each use sets its texts anew, selects the whole proposal, so typing replaces it, and
  // forgets an earlier OK.
  void closing() {
    QFETCH(int, way);
    QFETCH(bool, accepted);
    QFETCH(QString, result);
    TDialogRename d;
    QString first = QStringLiteral("first.mp3");
    QVERIFY(Run(d, first, [&] { d.ButtonOK->click(); }));
    d.StaticTextNamingRule->clear();

    QString newName = QStringLiteral("proposed.mp3"), selected, oldShown;
    const bool answer = Run(d, newName, [&] {
      selected = d.EditNewName->selectedText();
      oldShown = d.StaticTextOldName->text();
      QCOMPARE(d.focusWidget(), static_cast<QWidget*>(d.EditNewName));
      QTest::keyClicks(d.EditNewName, "Artist: Title.mp3");
      if (way == 0) QTest::keyClick(d.EditNewName, Qt::Key_Return);
      if (way == 1) d.ButtonOK->click();
      if (way == 2) d.ButtonCancel->click();
      if (way == 3) QTest::keyClick(d.EditNewName, Qt::Key_Escape);
      if (way == 4) d.close();
    });
    QCOMPARE(selected, QStringLiteral("proposed.mp3"));
    QCOMPARE(oldShown, QStringLiteral("old.mp3"));
    QCOMPARE(answer, accepted);
    QCOMPARE(d.Accepted, accepted);
    QCOMPARE(newName, result);
    QCOMPARE(d.StaticTextNamingRule->text().toUtf8(), QByteArray(tunaro::ui::kNamingRule));
  }

  void namingRuleIs49GbkBytes() {
    const std::string gbk = tunaro::platform::Utf8ToGbk(tunaro::ui::kNamingRule);
    QCOMPARE(gbk.size(), size_t(49));
    QVERIFY(gbk.ends_with("\xA3\xBA/ > < | : * ? \\ \""));
  }

  void centredOnTheScreen() {
    TDialogRename d;
    QString name;
    QPoint centre;
    Run(d, name, [&] {
      centre = d.frameGeometry().center();
      d.reject();
    });
    QVERIFY((centre - QGuiApplication::primaryScreen()->geometry().center()).manhattanLength() <=
            1);
  }
};

QTEST_MAIN(DialogRenameTest)
#include "dialog_rename_test.moc"
