// The manual rename and the list export through a real main window on a real folder. The
// modal questions are answered through the window's seams; one case drives the real rename
// dialog from its own event loop.
#include <sys/stat.h>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/temp_dir.h"
#include "ui/dialog_rename.h"
#include "ui/form_main.h"
#include "widgets/long_check_list_box.h"

using tunaro::test::Exists;
using tunaro::test::ReadFile;
using tunaro::test::TTempDir;
using tunaro::ui::TDialogRename;
using tunaro::ui::TFormMain;

namespace {

struct TMessage {
  QString Text, Caption;
};

// A window on a folder of three MP3 files, every question answered by the test.
class TWindow {
 public:
  explicit TWindow(bool withFiles = true) {
    if (withFiles)
      for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
        Dir.Write(name, std::string("content of ") + name);
    Form = std::make_unique<TFormMain>(std::string(), Dir.Path());
    Form->AskNewName = [this](const QString& oldName, QString& newName) {
      Asked << oldName + "|" + newName;
      if (Typed.isNull()) return false;
      newName = Typed;
      return true;
    };
    Form->AskSaveFile = [this](std::string& fileName, int& filterIndex) {
      ++SaveAsked;
      if (SaveName.empty()) return false;
      fileName = SaveName;
      filterIndex = SaveFilter;
      return true;
    };
    Form->ConfirmReplace = [this](const std::string& fileName) {
      ReplaceAsked.push_back(fileName);
      return ReplaceAnswer;
    };
    Form->ShowMessage = [this](const QString& text, const QString& caption) {
      Messages.push_back({text, caption});
    };
    Form->ShowError = [this](const QString& text, const QString& caption) {
      Errors.push_back({text, caption});
    };
  }

  tunaro::engine::TFileList& List() { return Form->Entries(); }

  int Row(const std::string& name) const {
    for (size_t i = 0; i < Form->Entries().Count(); ++i)
      if (Form->Entries().Path(i) == Dir / name) return static_cast<int>(i);
    return -1;
  }

  void Select(const std::string& name) {
    const int row = Row(name);
    QVERIFY(row >= 0);
    auto* view = Form->LongCheckListBoxFileNames;
    view->setCurrentIndex(view->model()->index(row, 0));
    QCOMPARE(Form->SelectedIndex(), row);
  }

  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    for (size_t i = 0; i < Form->Entries().Count(); ++i) paths.push_back(Form->Entries().Path(i));
    return paths;
  }

  TTempDir Dir;
  std::unique_ptr<TFormMain> Form;
  QString Typed;  // null: the user cancels
  QStringList Asked;
  std::string SaveName;  // empty: the user cancels
  int SaveFilter = 1;
  int SaveAsked = 0;
  bool ReplaceAnswer = false;
  std::vector<std::string> ReplaceAsked;
  std::vector<TMessage> Messages, Errors;
};

// Acts on the dialog once it is open, from the event loop of its exec. Armed by the show
// itself, since the key press that opens the dialog may run pending events first.
class TWhenShown : public QObject {
 public:
  TWhenShown(QWidget& target, std::function<void()> act) : QObject(&target), Act_(std::move(act)) {
    target.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show && Act_) {
      watched->removeEventFilter(this);
      QTimer::singleShot(0, watched, std::exchange(Act_, nullptr));
    }
    return false;
  }

 private:
  std::function<void()> Act_;
};

void WhenShown(QWidget& target, std::function<void()> act) {
  new TWhenShown(target, std::move(act));  // owned by the target
}

// The CR LF lines of a written list, byte for byte.
QStringList Lines(const std::string& bytes) {
  QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  if (!text.endsWith(QLatin1String("\r\n"))) return {"<no final CR LF>"};
  text.chop(2);
  return text.split(QStringLiteral("\r\n"));
}

}  // namespace

class ManualRenameExportTest : public QObject {
  Q_OBJECT

 private:
  TTempDir Config_;

 private slots:
  void initTestCase() {
    QCoreApplication::setApplicationName(QStringLiteral("Tunaro"));
    // The window remembers its settings: never in the real config folder.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Config_.Path()));
  }
  // Every test starts from the defaults, whatever the windows of the one before remembered.
  void init() { QFile::remove(TFormMain::SettingsFileName()); }

  // ---- Manual rename

  void manualRename_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");  // empty: the rename fails
    QTest::newRow("plain") << "z.mp3"
                           << "z.mp3";
    QTest::newRow("colon") << "Artist: Title.mp3"
                           << "Artist- Title.mp3";
    QTest::newRow("backslash stays in the folder") << "sub\\x.mp3"
                                                   << "sub x.mp3";
    QTest::newRow("slash stays in the folder") << "sub/x.mp3"
                                               << "sub x.mp3";
    QTest::newRow("quotes and brackets") << "<say \"hi\">.mp3"
                                         << "(say 'hi').mp3";
    QTest::newRow("star, question mark, bar") << "a*b?c|d.mp3"
                                              << "a b c d.mp3";
    QTest::newRow("Chinese") << "歌曲.mp3"
                             << "歌曲.mp3";
    QTest::newRow("existing name") << "b.mp3"
                                   << "";
  }

  // The file is read-only: the manual rename leaves its attributes alone.
  void manualRename() {
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    TWindow w;
    QVERIFY(chmod((w.Dir / "a.mp3").c_str(), 0444) == 0);
    w.List().SetChecked(1, true);
    const std::vector<std::string> before = w.Paths();
    w.Select("a.mp3");
    w.Typed = typed;
    w.Form->MItemManualRenameClick();
    QCOMPARE(w.Asked, QStringList{"a.mp3|a.mp3"});

    if (expected.isEmpty()) {
      QCOMPARE(w.Messages.size(), size_t(1));
      QCOMPARE(w.Messages[0].Text, QStringLiteral("改名失败！"));
      QCOMPARE(w.Messages[0].Caption, QStringLiteral("错误"));
      QCOMPARE(ReadFile(w.Dir / "a.mp3"), std::string("content of a.mp3"));
      QCOMPARE(ReadFile(w.Dir / "b.mp3"), std::string("content of b.mp3"));
      QCOMPARE(w.Paths(), before);  // the list stays as it was, check marks too
      QVERIFY(w.List().Checked(1));
      return;
    }
    QVERIFY(w.Messages.empty());
    const std::string renamed = w.Dir / expected.toStdString();
    QVERIFY(!Exists(w.Dir / "a.mp3"));
    QCOMPARE(ReadFile(renamed), std::string("content of a.mp3"));
    struct stat st {};
    QVERIFY(stat(renamed.c_str(), &st) == 0);
    QCOMPARE(st.st_mode & 0777, mode_t(0444));
    // The list is rebuilt from the folder: the new name listed, every check mark gone.
    QVERIFY(w.Row(expected.toStdString()) >= 0);
    QCOMPARE(w.List().Count(), size_t(3));
    QVERIFY(!w.List().Checked(0) && !w.List().Checked(1) && !w.List().Checked(2));
  }

  void cancelOrNoSelectionRenamesNothing() {
    TWindow w;
    w.Typed = "never.mp3";
    w.Form->MItemManualRenameClick();  // nothing selected
    QVERIFY(w.Asked.isEmpty());
    w.List().SetChecked(1, true);
    const std::vector<std::string> before = w.Paths();
    w.Select("c.mp3");
    w.Typed = QString();
    w.Form->MItemManualRenameClick();
    QCOMPARE(w.Asked.size(), 1);
    QVERIFY(w.Messages.empty());
    QCOMPARE(w.Dir.List(), (std::vector<std::string>{"a.mp3", "b.mp3", "c.mp3"}));
    QCOMPARE(w.Paths(), before);
    QVERIFY(w.List().Checked(1));
  }

  // F2 on the list opens the real dialog: typing replaces the selected name and Enter
  // renames; the next time its close box renames nothing.
  void f2WithTheRealDialog() {
    TWindow w;
    TDialogRename dialog;
    w.Form->SetDialogRename(&dialog);
    w.Form->AskNewName = [&dialog](const QString& oldName, QString& newName) {
      return dialog.Execute(oldName, newName);
    };
    w.Form->show();
    // F2 with `name` selected; `act` runs on the dialog once it is open. Whether it opened.
    auto pressF2 = [&](const std::string& name, const std::function<void()>& act) {
      // After a dialog the window takes the focus back only through the event loop.
      w.Form->activateWindow();
      if (!QTest::qWaitForWindowActive(w.Form.get())) return false;
      w.Select(name);
      w.Form->LongCheckListBoxFileNames->setFocus();
      bool wasOpen = false;
      WhenShown(dialog, [&] {
        wasOpen = dialog.isVisible();
        act();
        if (dialog.isVisible()) dialog.reject();
      });
      QTest::keyClick(w.Form->LongCheckListBoxFileNames, Qt::Key_F2);
      return wasOpen;
    };
    const std::vector<std::string> after = {"a.mp3", "c.mp3", "x-y.mp3"};
    QVERIFY(pressF2("b.mp3", [&] {
      QTest::keyClicks(dialog.EditNewName, "x:y.mp3");
      QTest::keyClick(dialog.EditNewName, Qt::Key_Return);
    }));
    QCOMPARE(w.Dir.List(), after);
    QVERIFY(pressF2("a.mp3", [&] {
      QTest::keyClicks(dialog.EditNewName, "never.mp3");
      dialog.close();
    }));
    QCOMPARE(w.Dir.List(), after);
    QVERIFY(w.Messages.empty());
  }

  // ---- Export

  void exportForms_data() {
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("firstLine");
    QTest::addColumn<int>("lineCount");
    QTest::newRow("HTML") << 1 << "songs.htm"
                          << "<html><head><title>" << 8;
    QTest::newRow("M3U") << 2 << "songs.m3u"
                         << "#EXTM3U" << 4;
    QTest::newRow("PLS") << 3 << "songs.pls"
                         << "[playlist]" << 4;
  }

  // Three entries, none checked, option off: all three go out; the filter gives the name.
  void exportForms() {
    QFETCH(int, filter);
    QFETCH(QString, written);
    QFETCH(QString, firstLine);
    QFETCH(int, lineCount);
    TWindow w;
    w.SaveName = w.Dir / "songs.txt";
    w.SaveFilter = filter;
    w.Form->MenuItemExportClick();
    QVERIFY(w.Errors.empty() && w.ReplaceAsked.empty());
    QVERIFY(!Exists(w.Dir / "songs.txt"));
    const QStringList lines = Lines(ReadFile(w.Dir / written.toStdString()));
    QVERIFY(lines.value(0).startsWith(firstLine));
    QCOMPARE(lines.size(), lineCount);
  }

  void exportCheckedOnly() {
    TWindow w;
    w.List().SetChecked(0, true);
    w.List().SetChecked(2, true);
    w.Form->MenuItemExportSelectedOnlyClick();
    w.SaveName = w.Dir / "list";
    w.SaveFilter = 3;
    w.Form->MenuItemExportClick();
    const std::vector<std::string> paths = w.Paths();
    QCOMPARE(ReadFile(w.Dir / "list.pls"),
             "[playlist]\r\nFile1=" + paths[0] + "\r\nFile2=" + paths[2] + "\r\n");
    // Nothing checked: the bare frame.
    w.Form->ButtonDeselectAllClick();
    w.ReplaceAnswer = true;
    w.Form->MenuItemExportClick();
    QCOMPARE(ReadFile(w.Dir / "list.pls"), std::string("[playlist]\r\n"));
  }

  void emptyListOrCancelWritesNothing() {
    TWindow empty(false);
    empty.SaveName = empty.Dir / "list.htm";
    empty.Form->MenuItemExportClick();
    QCOMPARE(empty.SaveAsked, 0);
    TWindow w;
    w.Form->MenuItemExportClick();
    QCOMPARE(w.SaveAsked, 1);
    QCOMPARE(w.Dir.List().size(), size_t(3));
  }

  // The save dialog asked about the name as typed only; the other existing name that the
  // extension change leads to is asked about again.
  void replacingTheChangedNameIsAskedAgain() {
    TWindow w;
    const std::string page = w.Dir.Write("list.htm", "keep");
    w.SaveName = w.Dir / "list";
    w.Form->MenuItemExportClick();
    QCOMPARE(w.ReplaceAsked, std::vector<std::string>{page});
    QCOMPARE(ReadFile(page), std::string("keep"));
    w.ReplaceAnswer = true;
    w.Form->MenuItemExportClick();
    QCOMPARE(Lines(ReadFile(page)).size(), 8);
    // The name as typed: no second question; exporting again replaces the file.
    w.SaveName = page;
    w.Form->MenuItemExportClick();
    QCOMPARE(w.ReplaceAsked.size(), size_t(2));
    QCOMPARE(Lines(ReadFile(page)).size(), 8);
  }

  void writeErrorIsShownWithTheApplicationTitle() {
    TWindow w;
    w.SaveName = w.Dir / "no such folder/list";
    w.Form->MenuItemExportClick();
    QCOMPARE(w.Errors.size(), size_t(1));
    QCOMPARE(w.Errors[0].Caption, QStringLiteral("Tunaro"));
    QCOMPARE(w.Errors[0].Text, QStringLiteral("File not found"));
  }
};

QTEST_MAIN(ManualRenameExportTest)
#include "manual_rename_export_test.moc"
