// The window between runs and under a real desktop: remembered settings, the command line,
// Qt's Chinese texts, counts that stay whole, captions on the group boxes' line, folder icons,
// and the file list's menu from a right click on an item's hint.
#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTest>

#include "engine/file_types.h"
#include "support/temp_dir.h"
#include "ui/controls.h"
#include "ui/dialog_plan.h"
#include "ui/folder_tree.h"
#include "ui/form_main.h"
#include "ui/startup.h"
#include "widgets/long_check_list_box.h"

using tunaro::test::TTempDir;
using tunaro::ui::TFormMain;

class TWindowSettingsTest : public QObject {
  Q_OBJECT

 private:
  TTempDir Config_;
  TTempDir Desktop_;

 private slots:
  void initTestCase() { qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Config_.Path())); }
  void init() { QFile::remove(TFormMain::SettingsFileName()); }

  void settingsSurviveARestart() {
    TTempDir dir;
    dir.Write(std::string("a") + tunaro::engine::kFileTypes[2].Extension, "x");
    QVERIFY(TFormMain::SettingsFileName().startsWith(QString::fromStdString(Config_.Path())));
    {
      TFormMain form(Desktop_.Path(), dir.Path());
      form.show();
      QStringList messages;
      form.ShowMessage =
          form.ShowError = [&](const QString& text, const QString&) { messages << text; };
      form.MenuItemProcessSubDirectory->trigger();
      form.MenuItemCreateUndoBatch->trigger();
      form.MenuItemKeepLog->trigger();
      form.MenuItemExportSelectedOnly->trigger();
      form.findChild<QAction*>(QStringLiteral("MenuItemCodePage_big5"))->trigger();
      form.ComboBoxChooseFileType->setCurrentIndex(2);
      form.ComboBoxFileNameTemplate->setEditText(QStringLiteral("%2 (%3)"));
      form.ButtonSelectAllClick();
      form.ConfirmPlan = [](tunaro::ui::TDialogPlan&) { return true; };  // the untagged file
      form.ButtonRenameClick();  // a template is remembered once it is used
      QCOMPARE(messages, QStringList());
      form.ComboBoxFileNameTemplate->setEditText(QStringLiteral("%1"));
      form.setGeometry(40, 30, 700, 400);
      QVERIFY(form.close());
    }
    TFormMain form(Desktop_.Path());
    QVERIFY(form.State().ProcessSubDirectory && form.MenuItemProcessSubDirectory->isChecked());
    QVERIFY(form.State().CreateUndoBatch && form.MenuItemCreateUndoBatch->isChecked());
    QVERIFY(form.State().KeepLog && form.MenuItemKeepLog->isChecked());
    QVERIFY(form.State().ExportSelectedOnly && form.MenuItemExportSelectedOnly->isChecked());
    QCOMPARE(form.State().CodePage, tunaro::platform::TCodePage::Big5);
    QVERIFY(form.findChild<QAction*>(QStringLiteral("MenuItemCodePage_big5"))->isChecked());
    QCOMPARE(form.ComboBoxChooseFileType->currentIndex(), 2);
    QCOMPARE(form.State().CurrentExtension, tunaro::engine::kFileTypes[2].Extension);
    QCOMPARE(form.ComboBoxFileNameTemplate->currentText(), QStringLiteral("%1"));
    // The presets first, then the template used.
    const int presets = static_cast<int>(std::size(tunaro::engine::kTemplatePresets));
    QCOMPARE(form.ComboBoxFileNameTemplate->count(), presets + 1);
    QCOMPARE(form.ComboBoxFileNameTemplate->itemText(0),
             QString::fromUtf8(tunaro::engine::kTemplatePresets[0]));
    QCOMPARE(form.ComboBoxFileNameTemplate->itemText(presets), QStringLiteral("%2 (%3)"));
    QCOMPARE(form.ShellTreeView->Path(), dir.Path());
    QCOMPARE(form.size(), QSize(700, 400));
  }

  void commandLine() {
    TTempDir dir;
    dir.Write("sub/a.mp3", "x");
    dir.Write("b.wma", "x");
    const auto folder = tunaro::ui::ParseCommandLine({"sub/"}, dir.Path());
    QCOMPARE(folder.Folder, dir / "sub");
    QVERIFY(folder.Files.empty());
    const auto files =
        tunaro::ui::ParseCommandLine({"./sub/../b.wma", dir / "sub/a.mp3"}, dir.Path());
    QCOMPARE(files.Folder, std::string());
    QCOMPARE(files.Files, std::vector<std::string>({dir / "b.wma", dir / "sub/a.mp3"}));

    TFormMain form(Desktop_.Path(), folder.Folder);
    QCOMPARE(form.ShellTreeView->Path(), dir / "sub");
    QCOMPARE(form.Entries().Count(), size_t{1});
    form.FilesDropped({dir / "b.wma", dir / "sub/a.mp3"});
    QCOMPARE(form.Entries().Count(), size_t{2});
    QCOMPARE(form.Entries().Path(0), dir / "b.wma");
  }

  void qtSpeaksChinese() {
    QVERIFY(tunaro::ui::InstallQtTranslations());
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QString::fromUtf8("取消"));
    QCOMPARE(QLocale().language(), QLocale::Chinese);  // the file types in the file dialog
  }

  void countsFitSevenDigits() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    const QRect before = form.StaticTextTotal->geometry();
    form.State().Counters = {9999999, 1234567, 20000, 0};
    form.ShowCounters();
    for (QLabel* label : {form.StaticTextTotal, form.StaticTextSuccess, form.StaticTextFailure}) {
      QVERIFY(label->text().size() >= 5);
      QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(label->text()) <=
                   label->contentsRect().width(),
               qPrintable(label->text()));
    }
    QCOMPARE(form.StaticTextTotal->geometry(), before);
    // A short count keeps the window's font.
    form.State().Counters = {12, 0, 0, 0};
    form.ShowCounters();
    QCOMPARE(form.StaticTextTotal->font(), form.GroupBoxRenameDetails->font());
  }

  void groupBoxControlsStayBelowTheLine() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    for (QGroupBox* box : {form.GroupBoxFileNameSettings, form.GroupBoxRenameDetails}) {
      const int line = static_cast<tunaro::ui::TGroupBox*>(box)->LineTop();
      for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        QVERIFY2(child->y() > line + 1, qPrintable(child->objectName()));
    }
  }

  void treeHasFolderIcons() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    const QModelIndex current = form.ShellTreeView->currentIndex();
    QVERIFY(!current.data(Qt::DecorationRole).value<QIcon>().isNull());
  }

  void rightClickOnAHintOpensTheListMenu() {
    TTempDir dir;
    dir.Write("a long name that is far wider than the list, so that it gets a hint.mp3", "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* list = form.LongCheckListBoxFileNames;
    const QPoint onItem = list->visualRect(list->model()->index(0, 0)).center();
    QTest::mouseMove(list->viewport(), onItem);
    QTRY_VERIFY(list->HintWindow->isVisible());
    // What Qt makes of the right click, delivered to the window under the pointer: the hint.
    const QPoint global = list->viewport()->mapToGlobal(onItem);
    QContextMenuEvent request(QContextMenuEvent::Mouse, list->HintWindow->mapFromGlobal(global),
                              global);
    QCoreApplication::sendEvent(list->HintWindow, &request);
    QTRY_VERIFY(form.PopupMenuFileListBox->isVisible());
    QVERIFY(!list->HintWindow->isVisible());
    form.PopupMenuFileListBox->close();
  }
};

QTEST_MAIN(TWindowSettingsTest)
#include "window_settings_test.moc"
