// The main window on real temporary folders: start-up, type change, options, drops, the
// rename command, the shortcuts, the resize rule and the behaviour when work arrives while a
// scan or a run is going on. (The manual rename and the export have tests of their own.)
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <memory>

#include "engine/file_types.h"
#include "engine/list_export.h"
#include "platform/io_error.h"
#include "support/temp_dir.h"
#include "ui/controls.h"
#include "ui/dialog_plan.h"
#include "ui/folder_tree.h"
#include "ui/form_main.h"
#include "widgets/long_check_list_box.h"
#include "widgets/win97izer.h"

using tunaro::test::Exists;
using tunaro::test::TaggedMp3;
using tunaro::test::TTempDir;
using tunaro::ui::TFormMain;

namespace {

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// A window whose counter display refresh can do something in the middle of a scan or a run,
// as an event the user sends then would.
class THookedForm : public TFormMain {
 public:
  using TFormMain::TFormMain;
  std::function<void(THookedForm&)> Hook;
  int FireAt = 1;  // the call of the counter display at which the hook runs
  int Calls = 0;

  void CounterDisplayRefresh() override {
    ++Calls;
    TFormMain::CounterDisplayRefresh();
    if (Hook && Calls >= FireAt) {
      auto hook = std::move(Hook);
      Hook = nullptr;
      hook(*this);
    }
  }
};

// What the seams were asked, and the answers they give.
struct TSeams {
  QStringList Messages;  // "caption|text"
  QStringList Errors;
  std::vector<std::string> Opened;
  int NameQuestions = 0;
  bool AcceptName = true;
  QString NewName;

  void Attach(TFormMain& form) {
    form.ShowMessage = [this](const QString& text, const QString& caption) {
      Messages << caption + "|" + text;
    };
    form.ShowError = [this](const QString& text, const QString& caption) {
      Errors << caption + "|" + text;
    };
    form.OpenTarget = [this](const std::string& target) { Opened.push_back(target); };
    form.AskNewName = [this](const QString&, QString& newName) {
      ++NameQuestions;
      if (AcceptName) newName = NewName;
      return AcceptName;
    };
    form.ConfirmPlan = [](tunaro::ui::TDialogPlan&) { return false; };
  }
};

std::vector<std::string> Entries(TFormMain& form) {
  std::vector<std::string> paths;
  for (size_t i = 0; i < form.Entries().Count(); ++i) paths.push_back(form.Entries().Path(i));
  return paths;
}

std::vector<std::string> Sorted(std::vector<std::string> v) {
  std::sort(v.begin(), v.end());
  return v;
}

int CheckedCount(TFormMain& form) {
  int n = 0;
  for (size_t i = 0; i < form.Entries().Count(); ++i) n += form.Entries().Checked(i) ? 1 : 0;
  return n;
}

QStringList Counters(TFormMain& form) {
  return {form.StaticTextTotal->text(), form.StaticTextSuccess->text(),
          form.StaticTextFailure->text()};
}

void SelectRow(TFormMain& form, int row) {
  auto* list = form.LongCheckListBoxFileNames;
  list->setCurrentIndex(list->model()->index(row, 0));
}

// Checks an entry through the list's model, as a click on its box does.
void CheckRow(TFormMain& form, int row) {
  auto* model = form.LongCheckListBoxFileNames->model();
  QVERIFY(model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole));
}

QRect Geometry(TFormMain& form, const char* name) {
  auto* w = form.findChild<QWidget*>(QString::fromLatin1(name));
  return w ? w->geometry() : QRect();
}

void DropUrls(TFormMain& form, const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  QDragEnterEvent enter(QPoint(300, 150), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &enter);
  QDropEvent drop(QPointF(300, 150), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(&form, &drop);
}

}  // namespace

class TFormMainTest : public QObject {
  Q_OBJECT

 private:
  TTempDir Desktop_;

  TTempDir Config_;

 private slots:
  void initTestCase() {
    QCoreApplication::setApplicationName(QStringLiteral("Tunaro"));
    // The window remembers its settings: never in the real config folder.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Config_.Path()));
  }
  // Every test starts from the defaults, whatever the windows of the one before remembered.
  void init() { QFile::remove(TFormMain::SettingsFileName()); }

  void startUpState() {
    TTempDir dir;
    dir.Write("a.mp3", "x");
    dir.Write("B.MP3", "x");
    dir.Write("c.txt", "x");
    dir.Write("sub/d.mp3", "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    QCOMPARE(Sorted(Entries(form)), Sorted({dir / "B.MP3", dir / "a.mp3"}));
    QCOMPARE(CheckedCount(form), 0);
    QCOMPARE(form.LongCheckListBoxFileNames->model()->rowCount(), 2);
    QCOMPARE(Counters(form), QStringList({"2", "0", "0"}));
    QCOMPARE(form.GaugeProgress->value(), 0);
    QCOMPARE(form.windowTitle(), QStringLiteral("Tunaro Ver 4.00"));
    QCOMPARE(form.ComboBoxChooseFileType->currentIndex(), 0);
    QCOMPARE(form.ComboBoxFileNameTemplate->currentText(), QStringLiteral("%1 - %2"));
    QCOMPARE(form.LabelFileTypeTips->text(),
             U(tunaro::engine::kLegendA).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(form.StaticTextTotalFiles->text(), U("MP3文件数量："));
    QCOMPARE(form.LabelCurrentPathDetail->text(), QString::fromStdString(dir.Path()));
    QCOMPARE(form.State().CurrentExtension, std::string(".mp3"));
    QCOMPARE(form.State().CurrentFolder, dir.Path() + "/");
    for (QAction* option : {form.MenuItemProcessSubDirectory, form.MenuItemCreateUndoBatch,
                            form.MenuItemKeepLog, form.MenuItemExportSelectedOnly}) {
      QVERIFY(option->isCheckable());
      QVERIFY(!option->isChecked());
    }
    QVERIFY(form.acceptDrops());
    // Drops onto the controls reach the window.
    for (QWidget* w : {form.LongCheckListBoxFileNames->viewport(), form.ShellTreeView->viewport(),
                       static_cast<QWidget*>(form.LongCheckListBoxFileNames),
                       static_cast<QWidget*>(form.ShellTreeView),
                       static_cast<QWidget*>(form.ComboBoxFileNameTemplate->lineEdit())})
      QVERIFY(!w->acceptDrops());
    QCOMPARE(form.ShellTreeView->Path(), dir.Path());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(form.SelectedIndex(), -1);
  }

  void controlsByName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("hint");
    const char* none = "";
    struct Row {
      const char* Name;
      const char* Caption;
      const char* Hint;
    };
    const Row rows[] = {
        {"LabelTitle", "Tunaro", none},
        {"LabelChooseDirectory", "选择文件夹(&D)：", none},
        {"LabelFileNames", "文件名列表(&L):", none},
        {"GroupBoxRenameDetails", "运行情况", none},
        {"ButtonRename", "改名(&R)", "按此按钮开始换名操作"},
        {"ButtonExit", "退出(&E)", "退出本软件"},
        {"BitBtnMorvix", "", "按这里打开本软件的主页：Morvix网站"},
        {"GroupBoxFileNameSettings", "文件名设置", none},
        {"ButtonSelectAll", "全选(&A)", none},
        {"ButtonDeselectAll", "全不选(&N)", none},
        {"ButtonOptions", "选项(&O)", none},
        {"StaticTextTotalFiles", "MP3文件数量：", none},
        {"StaticTextSuccessFiles", "成功换名数量：", none},
        {"StaticTextFailureFiles", "不成功数量：", none},
        {"StaticTextProgress", "进度：", none},
        {"LabelCurrentPath", "当前路径：", none},
        {"LabelChooseFileType", "文件类型(&S):", none},
        {"LabelFileNameTemplate", "文件名模板(&T):", none},
        {"ComboBoxChooseFileType", "", "选择要换名的文件类型以及扩展名形式"},
        {"ComboBoxFileNameTemplate", "",
         "在这里自由设定目标文件名模板。代换定义请看下边框内文字。本软件会自动过滤非法文件名字符"},
        {"LongCheckListBoxFileNames", "", none},
        {"ShellTreeView", "", none},
        {"StaticTextInfo", nullptr, none},
        {"Bevel1", "", none},
        {"Bevel2", "", none},
        {"LabelFileTypeTips", nullptr, none},
        {"LabelCurrentPathDetail", nullptr, none},
        {"GaugeProgress", "", none},
        {"StaticTextTotal", nullptr, none},
        {"StaticTextSuccess", nullptr, none},
        {"StaticTextFailure", nullptr, none},
    };
    for (const Row& row : rows)
      QTest::newRow(row.Name) << QString::fromLatin1(row.Name)
                              << (row.Caption ? U(row.Caption) : QStringLiteral("*"))
                              << U(row.Hint);
  }

  void controlsByName() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, hint);
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    auto* control = form.findChild<QWidget*>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(control->toolTip(), hint);
    if (caption == QStringLiteral("*")) return;
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control))
      text = label->text();
    else if (auto* button = qobject_cast<QPushButton*>(control))
      text = button->text();
    else if (auto* box = qobject_cast<QGroupBox*>(control))
      text = box->title();
    QCOMPARE(text, caption);
  }

  void menus() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    struct Item {
      QAction* Action;
      const char* Name;
      const char* Caption;
      QKeySequence Shortcut;
    };
    const Item items[] = {
        {form.MenuItemProcessSubDirectory, "MenuItemProcessSubDirectory", "处理子目录(&R)", {}},
        {form.MenuItemCreateUndoBatch, "MenuItemCreateUndoBatch", "创建恢复列表(&U)", {}},
        {form.MenuItemKeepLog, "MenuItemKeepLog", "保留换名记录(&G)", {}},
        {form.MenuItemExportSelectedOnly, "MenuItemExportSelectedOnly", "只导出选中文件(&O)", {}},
        {form.MenuItemWaitForYou, "MenuItemWaitForYou", "等待您的加入！", {}},
        {form.MItemManualRename, "MItemManualRename", "手动改名(&R)...", QKeySequence(Qt::Key_F2)},
        {form.MenuItemSelectAll, "MenuItemSelectAll", "全选(&A)",
         QKeySequence(Qt::CTRL | Qt::Key_A)},
        {form.MenuItemDeselectAll, "MenuItemDeselectAll", "全不选(&D)",
         QKeySequence(Qt::CTRL | Qt::Key_D)},
        {form.MenuItemPlayThisFile, "MenuItemPlayThisFile", "使用默认播放器播放(&P)",
         QKeySequence(Qt::Key_F9)},
        {form.MenuItemExport, "MenuItemExport", "导出文件列表(&E)...", {}},
    };
    for (const Item& item : items) {
      QCOMPARE(item.Action->objectName(), QString::fromLatin1(item.Name));
      QCOMPARE(item.Action->text(), U(item.Caption));
      QCOMPARE(item.Action->shortcut(), item.Shortcut);
      QVERIFY(item.Action->isEnabled());
    }
    QCOMPARE(form.MenuItemSettings->title(), U("处理设置(&S)"));
    QCOMPARE(form.MenuItemLinks->title(), U("音乐网站连接(&L)"));
    // The settings, the preview and the undo between two separators, the links.
    QCOMPARE(form.PopupMenuOptions->actions().size(), 6);
    QCOMPARE(form.MenuItemSettings->actions().size(), 5);
    // The tag code page: nine exclusive choices, auto at start, and the run takes the choice.
    QCOMPARE(form.MenuItemCodePage->title(), U("标签编码(&C)"));
    const QList<QAction*> codePages = form.MenuItemCodePage->actions();
    QCOMPARE(codePages.size(), 9);
    QVERIFY(codePages[0]->isChecked());
    codePages[2]->trigger();
    QVERIFY(codePages[2]->isChecked() && !codePages[0]->isChecked());
    QVERIFY(form.State().CodePage == tunaro::platform::TCodePage::Big5);
    codePages[0]->trigger();
    QCOMPARE(form.MenuItemLinks->actions().size(), 3);
    const QList<QAction*> fileMenu = form.PopupMenuFileListBox->actions();
    QCOMPARE(fileMenu.size(), 7);
    QVERIFY(fileMenu[1]->isSeparator());
    QVERIFY(fileMenu[4]->isSeparator());
    QCOMPARE(fileMenu[0], form.MItemManualRename);
    QCOMPARE(fileMenu[6], form.MenuItemExport);

    // The options menu opens straight under its button.
    form.move(0, 0);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.ButtonOptionsClick();
    QTRY_VERIFY(form.PopupMenuOptions->isVisible());
    QCOMPARE(form.PopupMenuOptions->pos(),
             form.ButtonOptions->mapToGlobal(QPoint(0, form.ButtonOptions->height())));
    form.PopupMenuOptions->close();
  }

  void optionsMenuIsTheWindowsContextMenu() {
    TTempDir dir;
    dir.Write("a.mp3", "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    form.move(0, 0);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // A right-click on the tree, which has no menu of its own, reaches the window.
    QWidget* viewport = form.ShellTreeView->viewport();
    QContextMenuEvent onTree(QContextMenuEvent::Mouse, QPoint(5, 5),
                             viewport->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(viewport, &onTree);
    QTRY_VERIFY(form.PopupMenuOptions->isVisible());
    QVERIFY(!form.PopupMenuFileListBox->isVisible());
    form.PopupMenuOptions->close();
    // The file list has its own.
    QWidget* listport = form.LongCheckListBoxFileNames->viewport();
    QContextMenuEvent onList(QContextMenuEvent::Mouse, QPoint(5, 5),
                             listport->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(listport, &onList);
    QTRY_VERIFY(form.PopupMenuFileListBox->isVisible());
    QVERIFY(!form.PopupMenuOptions->isVisible());
    form.PopupMenuFileListBox->close();
  }

  void optionsToggleOnlyTheirMark() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    using Click = void (TFormMain::*)();
    struct Row {
      Click Handler;
      QAction* Item;
      bool tunaro::engine::TRunState::*Setting;
    };
    const Row rows[] = {
        {&TFormMain::MenuItemProcessSubDirectoryClick, form.MenuItemProcessSubDirectory,
         &tunaro::engine::TRunState::ProcessSubDirectory},
        {&TFormMain::MenuItemCreateUndoBatchClick, form.MenuItemCreateUndoBatch,
         &tunaro::engine::TRunState::CreateUndoBatch},
        {&TFormMain::MenuItemKeepLogClick, form.MenuItemKeepLog,
         &tunaro::engine::TRunState::KeepLog},
        {&TFormMain::MenuItemExportSelectedOnlyClick, form.MenuItemExportSelectedOnly,
         &tunaro::engine::TRunState::ExportSelectedOnly},
    };
    for (const Row& row : rows) {
      (form.*row.Handler)();
      QVERIFY(row.Item->isChecked());
      QVERIFY(form.State().*row.Setting);
      row.Item->trigger();  // the menu's own click
      QVERIFY(!row.Item->isChecked());
      QVERIFY(!(form.State().*row.Setting));
    }
  }

  void typeChangeListsOnlyItsExtension_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("legend");
    QTest::newRow("RA") << 6 << QStringList{"a.ra", "e.RA"} << U("RA文件数量：")
                        << U(tunaro::engine::kLegendD);
    QTest::newRow("RM") << 7 << QStringList{"c.rm"} << U("RM文件数量：")
                        << U(tunaro::engine::kLegendD);
    QTest::newRow("RAM") << 8 << QStringList{"b.ram"} << U("RAM文件数量：")
                         << U(tunaro::engine::kLegendD);
    QTest::newRow("MPP") << 4 << QStringList{"f.mpp"} << U("MPP文件数量：")
                         << U(tunaro::engine::kLegendA);
    QTest::newRow("MPC") << 5 << QStringList{"g.mpc"} << U("MPC文件数量：")
                         << U(tunaro::engine::kLegendA);
    QTest::newRow("WMA") << 9 << QStringList{} << U("WMA文件数量：") << U(tunaro::engine::kLegendE);
    QTest::newRow("VQF") << 1 << QStringList{} << U("VQF文件数量：") << U(tunaro::engine::kLegendB);
  }

  void typeChangeListsOnlyItsExtension() {
    QFETCH(int, row);
    QFETCH(QStringList, listed);
    QFETCH(QString, caption);
    QFETCH(QString, legend);
    TTempDir dir;
    for (const char* name : {"a.ra", "b.ram", "c.rm", "d.mp3", "e.RA", "f.mpp", "g.mpc"})
      dir.Write(name, "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    CheckRow(form, 0);
    form.ComboBoxChooseFileType->setCurrentIndex(row);
    std::vector<std::string> expected;
    for (const QString& name : listed) expected.push_back(dir / name.toStdString());
    QCOMPARE(Sorted(Entries(form)), Sorted(expected));
    QCOMPARE(CheckedCount(form), 0);
    QCOMPARE(form.StaticTextTotal->text(), QString::number(listed.size()));
    QCOMPARE(form.StaticTextTotalFiles->text(), caption);
    QCOMPARE(form.LabelFileTypeTips->text(),
             legend.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    QCOMPARE(form.State().CurrentExtension,
             std::string(tunaro::engine::kFileTypes[static_cast<size_t>(row)].Extension));
  }

  void noRowSelectedFallsBackToMp3() {
    TTempDir dir;
    dir.Write("a.mp3", "x");
    dir.Write("b.ra", "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    form.ComboBoxChooseFileType->setCurrentIndex(6);
    QCOMPARE(Entries(form), std::vector<std::string>{dir / "b.ra"});
    form.ComboBoxChooseFileType->setCurrentIndex(-1);
    QCOMPARE(form.ComboBoxChooseFileType->currentIndex(), 0);
    QCOMPARE(Entries(form), std::vector<std::string>{dir / "a.mp3"});
    QCOMPARE(form.StaticTextTotalFiles->text(), U("MP3文件数量："));
  }

  void subfolderOptionWaitsForTheNextRefresh() {
    TTempDir dir;
    dir.Write("x.mp3", "x");
    dir.Write("sub/y.mp3", "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    QCOMPARE(Entries(form), std::vector<std::string>{dir / "x.mp3"});
    form.MenuItemProcessSubDirectoryClick();
    QVERIFY(form.MenuItemProcessSubDirectory->isChecked());
    QCOMPARE(Entries(form), std::vector<std::string>{dir / "x.mp3"});
    QCOMPARE(form.StaticTextTotal->text(), QStringLiteral("1"));
    form.ShellTreeViewChange();
    QCOMPARE(Sorted(Entries(form)), Sorted({dir / "x.mp3", dir / "sub/y.mp3"}));
    QCOMPARE(form.StaticTextTotal->text(), QStringLiteral("2"));
  }

  void treeChangeIsReportedOnceTheSelectionRests() {
    TTempDir dir;
    dir.Write("a/1.mp3", "x");
    dir.Write("b/2.mp3", "x");
    dir.Write("b/3.mp3", "x");
    TFormMain form(Desktop_.Path(), dir / "a");
    QCOMPARE(Entries(form), std::vector<std::string>{dir / "a/1.mp3"});
    auto* tree = form.ShellTreeView;
    auto* model = tree->model();
    // Two selections in a row: only the last one, once it has rested, refreshes the list.
    QVERIFY(tree->SelectFolder(dir.Path()));
    const QModelIndex parent = tree->currentIndex();
    model->fetchMore(parent);
    QTRY_COMPARE(model->rowCount(parent), 2);
    tree->setCurrentIndex(model->index(0, 0, parent));
    tree->setCurrentIndex(model->index(1, 0, parent));
    QCOMPARE(form.ShellTreeView->Path(), dir / "b");
    QCOMPARE(Entries(form), std::vector<std::string>{dir / "a/1.mp3"});  // not yet
    QTRY_COMPARE(form.StaticTextTotal->text(), QStringLiteral("2"));
    QCOMPARE(Sorted(Entries(form)), Sorted({dir / "b/2.mp3", dir / "b/3.mp3"}));
    QCOMPARE(form.LabelCurrentPathDetail->text(), QString::fromStdString(dir / "b"));
  }

  void treeShowsNoHiddenFoldersAndNoFiles() {
    TTempDir dir;
    dir.MakeDir(".hidden");
    dir.MakeDir("shown");
    dir.Write("file.mp3", "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    auto* model = form.ShellTreeView->model();
    const QModelIndex here = form.ShellTreeView->currentIndex();
    model->fetchMore(here);
    QTRY_COMPARE(model->rowCount(here), 1);
    QCOMPARE(model->index(0, 0, here).data().toString(), QStringLiteral("shown"));
    QVERIFY(!model->index(0, 0, here).data(Qt::DecorationRole).isNull());
  }

  void startsAtTheDesktopOrHome() {
    {
      TTempDir desktop;
      TFormMain form(desktop.Path());
      QCOMPARE(form.ShellTreeView->Path(), desktop.Path());
    }
    TFormMain form(Desktop_ / "missing");
    QCOMPARE(form.ShellTreeView->Path(), QDir::homePath().toStdString());
  }

  void dropReplacesTheList() {
    TTempDir dir;
    for (int i = 0; i < 20; ++i) dir.Write("f" + std::to_string(i) + ".mp3", "x");
    TTempDir other;
    const std::string spaced = other.Write("歌 手 - 歌名.mp3", "x");
    const std::string folder = other.MakeDir("folder");
    // A path far longer than 249 characters is kept whole.
    const std::string longName = std::string(200, 'n') + ".txt";
    const std::string deep = other.Write(std::string(120, 'd') + "/" + longName, "x");
    QVERIFY(deep.size() > 300);
    TFormMain form(Desktop_.Path(), dir.Path());
    QCOMPARE(form.Entries().Count(), size_t{20});
    CheckRow(form, 3);
    form.State().Counters.Success = 7;
    const QString label = form.LabelCurrentPathDetail->text();
    DropUrls(form, {QUrl::fromLocalFile(QString::fromStdString(spaced)),
                    QUrl::fromLocalFile(QString::fromStdString(folder)),
                    QUrl::fromLocalFile(QString::fromStdString(deep))});
    QCOMPARE(Entries(form), std::vector<std::string>({spaced, folder, deep}));
    QCOMPARE(CheckedCount(form), 0);
    QCOMPARE(form.LongCheckListBoxFileNames->model()->rowCount(), 3);
    QCOMPARE(Counters(form), QStringList({"3", "7", "0"}));
    QCOMPARE(form.LabelCurrentPathDetail->text(), label);
    QCOMPARE(form.State().CurrentExtension, std::string(".mp3"));
    // The next folder refresh lists the folder again.
    form.ShellTreeViewChange();
    QCOMPARE(form.Entries().Count(), size_t{20});
  }

  void droppedPathsKeepTheirBytes() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    // A GBK name, which is no UTF-8: the file manager sends its bytes percent-encoded.
    const QUrl gbk = QUrl::fromEncoded("file:///tmp/%B8%E8%CA%D6.mp3");
    const QUrl web(QStringLiteral("https://example.org/a.mp3"));
    DropUrls(form, {gbk, web});
    QCOMPARE(Entries(form), std::vector<std::string>{"/tmp/\xB8\xE8\xCA\xD6.mp3"});
    QCOMPARE(form.StaticTextTotal->text(), QStringLiteral("1"));
  }

  void renameCommandEndToEnd() {
    TTempDir dir;
    dir.Write("1.mp3", TaggedMp3("Artist", "One"));
    dir.Write("2.mp3", TaggedMp3("A/B", "Why?"));
    dir.Write("3.mp3", TaggedMp3("Left", "Alone"));
    dir.Write("4.mp3", "no tag at all");
    TFormMain form(Desktop_.Path(), dir.Path());
    TSeams seams;
    seams.Attach(form);
    const std::vector<std::string> before = Entries(form);
    for (size_t i = 0; i < before.size(); ++i)
      if (before[i] != dir / "3.mp3") CheckRow(form, static_cast<int>(i));
    QCOMPARE(CheckedCount(form), 3);
    QTest::mouseClick(form.ButtonRename, Qt::LeftButton);
    QVERIFY(seams.Messages.isEmpty());
    QVERIFY(seams.Errors.isEmpty());
    QCOMPARE(dir.List(),
             std::vector<std::string>({"3.mp3", "4.mp3", "A B - Why .mp3", "Artist - One.mp3"}));
    QCOMPARE(Sorted(Entries(form)), Sorted({dir / "3.mp3", dir / "4.mp3", dir / "A B - Why .mp3",
                                            dir / "Artist - One.mp3"}));
    QCOMPARE(CheckedCount(form), 0);
    QCOMPARE(Counters(form), QStringList({"4", "0", "0"}));
    QCOMPARE(form.GaugeProgress->value(), 0);
    for (QWidget* control :
         {static_cast<QWidget*>(form.ComboBoxFileNameTemplate),
          static_cast<QWidget*>(form.ComboBoxChooseFileType),
          static_cast<QWidget*>(form.ButtonRename), static_cast<QWidget*>(form.ButtonExit)})
      QVERIFY(control->isEnabled());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void renameLocksTheFourControlsWhileItRuns() {
    TTempDir dir;
    dir.Write("1.mp3", TaggedMp3("Artist", "One"));
    THookedForm form(Desktop_.Path(), dir.Path());
    CheckRow(form, 0);
    bool locked = false, otherwiseFree = false, hourglass = false;
    form.Hook = [&](THookedForm& f) {
      locked = !f.ComboBoxFileNameTemplate->isEnabled() && !f.ComboBoxChooseFileType->isEnabled() &&
               !f.ButtonRename->isEnabled() && !f.ButtonExit->isEnabled();
      otherwiseFree = f.ButtonSelectAll->isEnabled() && f.ShellTreeView->isEnabled() &&
                      f.LongCheckListBoxFileNames->isEnabled() && f.ButtonOptions->isEnabled();
      hourglass = QApplication::overrideCursor() &&
                  QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    };
    form.ButtonRenameClick();
    QVERIFY(locked);
    QVERIFY(otherwiseFree);
    QVERIFY(hourglass);
    QVERIFY(Exists(dir / "Artist - One.mp3"));
  }

  void renameRefusesAnEmptyList() {
    TTempDir dir;
    dir.Write("a.txt", "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    TSeams seams;
    seams.Attach(form);
    form.ButtonRenameClick();
    QCOMPARE(seams.Messages, QStringList{U("确认|指定的类型找不到任何文件!")});
    QVERIFY(form.ButtonRename->isEnabled());
    QCOMPARE(dir.List(), std::vector<std::string>{"a.txt"});
  }

  void renameWithNothingCheckedRenamesNothing() {
    TTempDir dir;
    dir.Write("1.mp3", TaggedMp3("Artist", "One"));
    TFormMain form(Desktop_.Path(), dir.Path());
    TSeams seams;
    seams.Attach(form);
    form.ButtonRenameClick();
    QCOMPARE(seams.Messages, QStringList{U("确认|没有选中任何文件")});
    QCOMPARE(dir.List(), std::vector<std::string>{"1.mp3"});
    QCOMPARE(Counters(form), QStringList({"1", "0", "0"}));
  }

  void runLogErrorShowsTheErrorBoxAndKeepsTheList() {
    TTempDir dir;
    dir.Write("1.mp3", TaggedMp3("Artist", "One"));
    TFormMain form(Desktop_ / "no-such-folder", dir.Path());
    TSeams seams;
    seams.Attach(form);
    form.MenuItemKeepLogClick();
    CheckRow(form, 0);
    form.ButtonRenameClick();
    QCOMPARE(seams.Errors,
             QStringList{U("Tunaro|无法使用桌面文件夹 %1：它不存在。\n运行记录和恢复列表要写在"
                           "那里，所以没有改名任何文件。")
                             .arg(QString::fromStdString(Desktop_ / "no-such-folder"))});
    // No refresh after an error: the check mark is still there.
    QCOMPARE(CheckedCount(form), 1);
    QVERIFY(form.ButtonRename->isEnabled());
    QVERIFY(form.ButtonExit->isEnabled());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
  }

  void refreshDuringAScanSupersedesIt() {
    TTempDir a, b;
    for (int i = 0; i < 40; ++i) a.Write("a" + std::to_string(i) + ".mp3", "x");
    for (int i = 0; i < 3; ++i) b.Write("b" + std::to_string(i) + ".mp3", "x");
    for (bool recursive : {false, true}) {
      THookedForm form(Desktop_.Path(), b.Path());
      if (recursive) form.MenuItemProcessSubDirectoryClick();
      QVERIFY(form.ShellTreeView->SelectFolder(a.Path()));
      // The user picks folder b while folder a is still being scanned.
      form.Calls = 0;
      form.FireAt = 5;
      form.Hook = [&](THookedForm& f) {
        QVERIFY(f.ShellTreeView->SelectFolder(b.Path()));
        f.ShellTreeViewChange();
      };
      form.ShellTreeViewChange();
      QCOMPARE(Sorted(Entries(form)), Sorted({b / "b0.mp3", b / "b1.mp3", b / "b2.mp3"}));
      QCOMPARE(form.StaticTextTotal->text(), QStringLiteral("3"));
      QCOMPARE(form.LongCheckListBoxFileNames->model()->rowCount(), 3);
      QCOMPARE(QApplication::overrideCursor(), nullptr);
    }
  }

  void pendingTreeChangeNeverMixesTwoFolders() {
    TTempDir a, b;
    for (int i = 0; i < 300; ++i) a.Write("a" + std::to_string(i) + ".mp3", "x");
    b.Write("b.mp3", "x");
    TFormMain form(Desktop_.Path(), b.Path());
    QVERIFY(form.ShellTreeView->SelectFolder(a.Path()));
    // A change of folder that is already waiting when the refresh of folder a begins.
    QTimer::singleShot(0, &form, [&] {
      QVERIFY(form.ShellTreeView->SelectFolder(b.Path()));
      form.ShellTreeViewChange();
    });
    form.ShellTreeViewChange();
    QTRY_COMPARE(form.LabelCurrentPathDetail->text(), QString::fromStdString(b.Path()));
    QCOMPARE(Entries(form), std::vector<std::string>{b / "b.mp3"});
    QCOMPARE(form.StaticTextTotal->text(), QStringLiteral("1"));
  }

  void dropDuringAScanSupersedesIt() {
    TTempDir a, other;
    for (int i = 0; i < 40; ++i) a.Write("a" + std::to_string(i) + ".mp3", "x");
    const std::string dropped = other.Write("d.mp3", "x");
    THookedForm form(Desktop_.Path(), other.Path());
    QVERIFY(form.ShellTreeView->SelectFolder(a.Path()));
    form.Calls = 0;
    form.FireAt = 5;
    form.Hook = [&](THookedForm& f) { f.FilesDropped({dropped}); };
    form.ShellTreeViewChange();
    QCOMPARE(Entries(form), std::vector<std::string>{dropped});
    QCOMPARE(form.StaticTextTotal->text(), QStringLiteral("1"));
  }

  void treeChangeDuringARunWaitsForItsEnd() {
    TTempDir a, b;
    a.Write("1.mp3", TaggedMp3("Artist", "One"));
    a.Write("2.mp3", TaggedMp3("Artist", "Two"));
    a.Write("3.mp3", TaggedMp3("Artist", "Three"));
    b.Write("x.mp3", "x");
    THookedForm form(Desktop_.Path(), a.Path());
    form.ButtonSelectAllClick();
    form.Hook = [&](THookedForm& f) {
      QVERIFY(f.Running());
      QVERIFY(f.ShellTreeView->SelectFolder(b.Path()));
      f.ShellTreeViewChange();
      QCOMPARE(f.Entries().Count(), size_t{3});  // the run's list stays
    };
    form.ButtonRenameClick();
    // Every checked file was renamed, and the refresh then shows the folder chosen last.
    QCOMPARE(a.List(), std::vector<std::string>(
                           {"Artist - One.mp3", "Artist - Three.mp3", "Artist - Two.mp3"}));
    QCOMPARE(Entries(form), std::vector<std::string>{b / "x.mp3"});
    QCOMPARE(form.LabelCurrentPathDetail->text(), QString::fromStdString(b.Path()));
  }

  void dropDuringARunWaitsForItsEnd() {
    TTempDir a, other;
    a.Write("1.mp3", TaggedMp3("Artist", "One"));
    a.Write("2.mp3", TaggedMp3("Artist", "Two"));
    const std::string dropped = other.Write("d.ogg", "x");
    THookedForm form(Desktop_.Path(), a.Path());
    form.ButtonSelectAllClick();
    form.Hook = [&](THookedForm& f) {
      DropUrls(f, {QUrl::fromLocalFile(QString::fromStdString(dropped))});
      QCOMPARE(f.Entries().Count(), size_t{2});
    };
    form.ButtonRenameClick();
    QCOMPARE(a.List(), std::vector<std::string>({"Artist - One.mp3", "Artist - Two.mp3"}));
    QCOMPARE(Entries(form), std::vector<std::string>{dropped});
    QCOMPARE(form.StaticTextTotal->text(), QStringLiteral("1"));
  }

  void manualRenameDuringARunRefreshesAfterIt() {
    TTempDir a;
    a.Write("1.mp3", TaggedMp3("Artist", "One"));
    a.Write("2.mp3", TaggedMp3("Artist", "Two"));
    THookedForm form(Desktop_.Path(), a.Path());
    TSeams seams;
    seams.Attach(form);
    const int two = form.Entries().Path(0) == a / "2.mp3" ? 0 : 1;
    CheckRow(form, 1 - two);
    form.Hook = [&](THookedForm& f) {
      SelectRow(f, two);
      seams.NewName = QStringLiteral("by hand.mp3");
      f.MItemManualRenameClick();
      QCOMPARE(f.Entries().Count(), size_t{2});  // no refresh while the run goes on
    };
    form.ButtonRenameClick();
    QCOMPARE(a.List(), std::vector<std::string>({"Artist - One.mp3", "by hand.mp3"}));
    QCOMPARE(Sorted(Entries(form)), Sorted({a / "Artist - One.mp3", a / "by hand.mp3"}));
  }

  void closeIsRefusedDuringARun() {
    TTempDir a;
    a.Write("1.mp3", TaggedMp3("Artist", "One"));
    THookedForm form(Desktop_.Path(), a.Path());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.ButtonSelectAllClick();
    bool closed = true;
    form.ConfirmStop = [] { return false; };  // asked to go on
    form.Hook = [&](THookedForm& f) { closed = f.close(); };
    form.ButtonRenameClick();
    QVERIFY(!closed);
    QVERIFY(form.isVisible());
    QVERIFY(form.close());
    QVERIFY(!form.acceptDrops());  // FormClose withdrew the drop registration
  }

  void selectAllAndNone() {
    TTempDir dir;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) dir.Write(name, "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    SelectRow(form, 1);
    form.ButtonSelectAllClick();
    QCOMPARE(CheckedCount(form), 3);
    QCOMPARE(form.SelectedIndex(), 1);
    QCOMPARE(form.StaticTextTotal->text(), QStringLiteral("3"));
    const QModelIndex first = form.LongCheckListBoxFileNames->model()->index(0, 0);
    QCOMPARE(first.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Checked);
    form.ButtonDeselectAllClick();
    QCOMPARE(CheckedCount(form), 0);
    QCOMPARE(first.data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
    QCOMPARE(form.SelectedIndex(), 1);
  }

  void shortcutsActWhileTheListHasTheFocus() {
    TTempDir dir;
    for (const char* name : {"a.mp3", "b.mp3"}) dir.Write(name, "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    TSeams seams;
    seams.Attach(form);
    seams.AcceptName = false;
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    auto* list = form.LongCheckListBoxFileNames;

    // Elsewhere they do nothing.
    form.ButtonOptions->setFocus();
    QTest::keyClick(form.ButtonOptions, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(CheckedCount(form), 0);

    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(CheckedCount(form), 2);
    QTest::keyClick(list, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(CheckedCount(form), 0);
    // Nothing selected: play and manual rename do nothing.
    QTest::keyClick(list, Qt::Key_F9);
    QTest::keyClick(list, Qt::Key_F2);
    QVERIFY(seams.Opened.empty());
    QCOMPARE(seams.NameQuestions, 0);
    SelectRow(form, 1);
    QTest::keyClick(list, Qt::Key_F9);
    QCOMPARE(seams.Opened, std::vector<std::string>{form.Entries().Path(1)});
    QTest::keyClick(list, Qt::Key_F2);
    QCOMPARE(seams.NameQuestions, 1);
    QCOMPARE(form.Entries().Count(), size_t{2});
  }

  void linksAndHomePage() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    TSeams seams;
    seams.Attach(form);
    form.MenuItemLink1->trigger();
    form.MenuItemLink2->trigger();
    form.MenuItemWaitForYou->trigger();
    QTest::mouseClick(form.BitBtnMorvix, Qt::LeftButton);
    QCOMPARE(seams.Opened.size(), size_t{4});
    QCOMPARE(seams.Opened[0], std::string(tunaro::engine::kHomePageAddress));
    QCOMPARE(seams.Opened[1], form.MenuItemLink2->toolTip().toStdString());
    QVERIFY(seams.Opened[2].rfind("mailto:", 0) == 0);
    QCOMPARE(seams.Opened[3], std::string(tunaro::engine::kHomePageAddress));
    QVERIFY(form.MenuItemLink1->text().contains(U(tunaro::engine::kHomePageHost)));
  }

  void fileListMenuHidesTheHint() {
    TTempDir dir;
    dir.Write("a.mp3", "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* list = form.LongCheckListBoxFileNames;
    QVERIFY(list->OnlyWhenFocused == false);
    QVERIFY(list->EnableHint);
    list->HintWindow->show();
    form.PopupMenuFileListBox->popup(list->mapToGlobal(QPoint(10, 10)));
    QTRY_VERIFY(form.PopupMenuFileListBox->isVisible());
    QVERIFY(!list->HintWindow->isVisible());
    form.PopupMenuFileListBox->close();
  }

  void saveDialogIsPrepared() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    QCOMPARE(form.DialogSave->nameFilters(),
             QStringList({U("HTML 格式列表(*.htm)"), U("M3U 格式播放表(*.m3u)"),
                          U("PLS 格式播放表(*.pls)")}));
    QCOMPARE(form.DialogSave->selectedNameFilter(), U("HTML 格式列表(*.htm)"));
    QCOMPARE(form.DialogSave->acceptMode(), QFileDialog::AcceptSave);
    QVERIFY(!form.DialogSave->testOption(QFileDialog::DontConfirmOverwrite));
  }

  void resizeRule_data() {
    QTest::addColumn<int>("outerWidth");
    QTest::addColumn<int>("height");
    QTest::addColumn<QList<QRect>>("expected");
    // tree, list, LabelFileNames, select all, select none, rename, exit, options,
    // the two group boxes, the home-page button.
    QTest::newRow("630") << 630 << 353 << QList<QRect>{{8, 64, 160, 281},    {176, 64, 160, 249},
                                                       {176, 48, 84, 12},    {176, 320, 76, 25},
                                                       {260, 320, 76, 25},   {344, 8, 101, 25},
                                                       {455, 8, 101, 25},    {566, 8, 50, 25},
                                                       {344, 200, 273, 113}, {344, 48, 273, 145},
                                                       {344, 320, 273, 24}};
    QTest::newRow("730") << 730 << 353 << QList<QRect>{{8, 64, 210, 281},    {226, 64, 210, 249},
                                                       {226, 48, 84, 12},    {226, 320, 101, 25},
                                                       {335, 320, 101, 25},  {344, 8, 141, 25},
                                                       {495, 8, 141, 25},    {646, 8, 70, 25},
                                                       {444, 200, 273, 113}, {444, 48, 273, 145},
                                                       {444, 320, 273, 24}};
    QTest::newRow("730, 50 higher")
        << 730 << 403
        << QList<QRect>{{8, 64, 210, 331},   {226, 64, 210, 299}, {226, 48, 84, 12},
                        {226, 370, 101, 25}, {335, 370, 101, 25}, {344, 8, 141, 25},
                        {495, 8, 141, 25},   {646, 8, 70, 25},    {444, 200, 273, 113},
                        {444, 48, 273, 145}, {444, 320, 273, 74}};
    QTest::newRow("630, 100 higher")
        << 630 << 453
        << QList<QRect>{{8, 64, 160, 381},   {176, 64, 160, 349}, {176, 48, 84, 12},
                        {176, 420, 76, 25},  {260, 420, 76, 25},  {344, 8, 101, 25},
                        {455, 8, 101, 25},   {566, 8, 50, 25},    {344, 200, 273, 113},
                        {344, 48, 273, 145}, {344, 320, 273, 124}};
  }

  void resizeRule() {
    QFETCH(int, outerWidth);
    QFETCH(int, height);
    QFETCH(QList<QRect>, expected);
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // Through another size first: the rule must not depend on the way there.
    form.resize(700, 400);
    QTRY_COMPARE(form.width(), 700);
    form.resize(outerWidth - tunaro::ui::kFrameWidth, height);
    QTRY_COMPARE(form.OuterWidth(), outerWidth);
    QTRY_COMPARE(form.height(), height);
    const char* names[] = {"ShellTreeView",
                           "LongCheckListBoxFileNames",
                           "LabelFileNames",
                           "ButtonSelectAll",
                           "ButtonDeselectAll",
                           "ButtonRename",
                           "ButtonExit",
                           "ButtonOptions",
                           "GroupBoxRenameDetails",
                           "GroupBoxFileNameSettings",
                           "BitBtnMorvix"};
    for (size_t i = 0; i < std::size(names); ++i)
      QCOMPARE(Geometry(form, names[i]), expected[static_cast<qsizetype>(i)]);
    // What the rule leaves alone.
    QCOMPARE(Geometry(form, "LabelChooseDirectory"), QRect(8, 48, 90, 12));
    QCOMPARE(Geometry(form, "Bevel1"), QRect(16, 40, 321, 9));
    QCOMPARE(Geometry(form, "StaticTextInfo"), QRect(200, 8, 137, 25));
    QCOMPARE(Geometry(form, "LabelTitle").topLeft(), QPoint(8, 8));
  }

  void widthsNeverGoNegative() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.resize(200, 150);
    QTest::qWait(0);
    QVERIFY(form.width() >= form.minimumWidth());
    for (QWidget* w :
         {static_cast<QWidget*>(form.ShellTreeView),
          static_cast<QWidget*>(form.LongCheckListBoxFileNames),
          static_cast<QWidget*>(form.ButtonSelectAll), static_cast<QWidget*>(form.ButtonOptions),
          static_cast<QWidget*>(form.BitBtnMorvix)}) {
      QVERIFY(w->width() > 20);
      QVERIFY(w->height() > 20);
    }
    // The buttons at the top never run into each other.
    QVERIFY(form.ButtonRename->geometry().right() < form.ButtonExit->x());
    QVERIFY(form.ButtonExit->geometry().right() < form.ButtonOptions->x());
  }

  void tabOrder() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    const QList<QWidget*> order{form.LongCheckListBoxFileNames,
                                form.ButtonSelectAll,
                                form.ButtonDeselectAll,
                                form.ButtonRename,
                                form.ButtonExit,
                                form.ButtonOptions,
                                form.ComboBoxChooseFileType,
                                form.ComboBoxFileNameTemplate,
                                form.BitBtnMorvix,
                                form.ShellTreeView};
    for (qsizetype i = 0; i + 1 < order.size(); ++i) {
      QWidget* next = order[i]->nextInFocusChain();
      while (next && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
      // The editable box's own line edit sits between it and the next control.
      if (next && next->parentWidget() == order[i]) next = next->nextInFocusChain();
      while (next && next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
      QCOMPARE(next, order[i + 1]);
    }
  }

  void decorators() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    using tunaro::widgets::TEdgeType;
    struct Row {
      tunaro::widgets::TWin97izer* Decorator;
      QWidget* Control;
      TEdgeType Edge;
    };
    const Row rows[] = {
        {form.Win97izerButtonRename, form.ButtonRename, TEdgeType::etFlatButton},
        {form.Win97izerButtonExit, form.ButtonExit, TEdgeType::etFlatButton},
        {form.Win97izerBitBtnMorvix, form.BitBtnMorvix, TEdgeType::etRaised},
        {form.Win97izerCheckListBoxFileNames, form.LongCheckListBoxFileNames,
         TEdgeType::etSunkenOuter},
        {form.Win97izerComboBoxFileNameTemplate, form.ComboBoxFileNameTemplate,
         TEdgeType::etSunkenOuter},
        {form.Win97izerComboBoxChooseFileType, form.ComboBoxChooseFileType,
         TEdgeType::etSunkenOuter},
        {form.Win97izerButtonSelectAll, form.ButtonSelectAll, TEdgeType::etFlatButton},
        {form.Win97izerButtonDeselectAll, form.ButtonDeselectAll, TEdgeType::etFlatButton},
        {form.Win97izerButtonOptions, form.ButtonOptions, TEdgeType::etFlatButton},
        {form.Win97izer1, form.ShellTreeView, TEdgeType::etSunkenOuter},
    };
    for (const Row& row : rows) {
      QCOMPARE(row.Decorator->Win97Control(), row.Control);
      QCOMPARE(row.Decorator->EdgeType, row.Edge);
    }
  }

  void fontAndIcon() {
    TTempDir dir;
    TFormMain form(Desktop_.Path(), dir.Path());
    QCOMPARE(form.font().families().first(), U("宋体"));
    QCOMPARE(form.font().pixelSize(), 12);
    QVERIFY(form.font().families().size() > 1);  // a CJK face stands in where 宋体 is missing
    QCOMPARE(form.LabelTitle->font().pixelSize(), 21);
    QVERIFY(form.LabelTitle->font().bold());
    const QList<QSize> sizes = form.windowIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(32, 32)));
    QVERIFY(sizes.contains(QSize(16, 16)));
    QCOMPARE(form.BitBtnMorvix->cursor().shape(), Qt::PointingHandCursor);
  }
};

QTEST_MAIN(TFormMainTest)
#include "form_main_test.moc"
