// The window keeps what its preview promises, shows what a run did, and stays calm on bad
// input: one test per fault, on real temporary folders.
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QSettings>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <random>

#include "engine/rename_run.h"
#include "plan_seen.h"
#include "platform/codec.h"
#include "platform/fs.h"
#include "support/temp_dir.h"
#include "ui/controls.h"
#include "ui/folder_tree.h"
#include "ui/form_main.h"
#include "ui/startup.h"

using tunaro::test::Exists;
using tunaro::test::TaggedMp3;
using tunaro::test::TPlanSeen;
using tunaro::test::TTempDir;
using tunaro::ui::TFormMain;
using tunaro::ui::TPlanRow;

namespace {

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QString Q(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

// Rows as comparable texts: "new path: note", with "!" before a failing row's.
QStringList Texts(const std::vector<TPlanRow>& rows) {
  QStringList texts;
  for (const TPlanRow& row : rows) texts << (row.Fails ? "!" : "") + Q(row.To) + ": " + row.Note;
  return texts;
}

QStringList Notes(const std::vector<TPlanRow>& rows) {
  QStringList notes;
  for (const TPlanRow& row : rows) notes << row.Note;
  return notes;
}

void Check(TFormMain& form, const std::string& path) {
  for (size_t i = 0; i < form.Entries().Count(); ++i)
    if (form.Entries().Path(i) == path) form.Entries().SetChecked(i, true);
}

std::string UndoListIn(const std::string& desktop) {
  for (const auto& entry : std::filesystem::directory_iterator(desktop))
    if (entry.path().extension() == ".bat") return entry.path().string();
  return {};
}

}  // namespace

class TWindowPromisesTest : public QObject {
  Q_OBJECT

  TTempDir Config_, Desktop_;

 private slots:
  void initTestCase() {
    QCoreApplication::setApplicationName(QStringLiteral("Tunaro"));
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Config_.Path()));
  }
  void init() { QFile::remove(TFormMain::SettingsFileName()); }

  // The preview, the run and the undo plan all ask the system, and agree.
  void aFolderThisProcessMayNotWrite() {
    TTempDir desktop, music;
    music.Write("a.mp3", TaggedMp3("A", "One"));
    music.Write("b.mp3", TaggedMp3("B", "Two"));
    TFormMain form(desktop.Path(), music.Path());
    TPlanSeen seen;
    seen.Attach(form);
    form.MenuItemCreateUndoBatch->setChecked(true);
    Check(form, music / "a.mp3");
    form.ButtonRenameClick();  // as ourselves: an undo list to plan
    form.MenuItemCreateUndoBatch->setChecked(false);
    const std::string undoList = UndoListIn(desktop.Path());
    form.AskUndoFile = [&](std::string& fileName) {
      fileName = undoList;
      return true;
    };
    form.ButtonSelectAllClick();
    form.ComboBoxFileNameTemplate->setEditText(QStringLiteral("%2 - %1"));
    const std::vector<std::string> before = music.List();
    // As another user where we are root (whom no mode bit stops), else by the write bits.
    const bool root = geteuid() == 0;
    const auto restore = qScopeGuard([&] {
      if (geteuid() != getuid()) (void)!seteuid(getuid());
      for (const std::string& folder : {music.Path(), desktop.Path()}) chmod(folder.c_str(), 0700);
    });
    for (const std::string& folder : {music.Path(), desktop.Path()})
      chmod(folder.c_str(), root ? 0755 : 0555);
    if (root && seteuid(65534) != 0) QSKIP("cannot run as another user here");
    seen.Accept = false;
    form.MenuItemPreview->trigger();
    form.ButtonRenameClick();
    form.MenuItemUndo->trigger();
    (void)!seteuid(getuid());
    QCOMPARE(music.List(), before);
    QCOMPARE(seen.All.size(), size_t{3});
    const TPlanSeen::TTable &preview = seen.All[0], &run = seen.All[1], &undo = seen.All[2];
    QCOMPARE(Texts(preview.Rows),
             QStringList({"!" + Q(music / "One - A.mp3: ") + U("文件夹不可写"),
                          "!" + Q(music / "Two - B.mp3: ") + U("文件夹不可写")}));
    QCOMPARE(Texts(run.Rows), Texts(preview.Rows));
    QCOMPARE(Notes(undo.Rows), QStringList{U("文件夹不可写")});
    QVERIFY(!preview.OkEnabled && !undo.OkEnabled);
  }

  void aRunShowsItsFailuresOnce_data() {
    QTest::addColumn<QStringList>("files");  // name=artist/title, or name= for no tag
    QTest::addColumn<QStringList>("shown");  // the failures' notes; none: no table at all
    QTest::newRow("none fails") << QStringList{"a.mp3=A/One", "b.mp3=B/Two"} << QStringList{};
    QTest::newRow("some fail") << QStringList{"a.mp3=A/One", "b.mp3=", "c.mp3=A/One"}
                               << QStringList{U("没有标签信息"), U("与前面的文件改成同名")};
  }
  void aRunShowsItsFailuresOnce() {
    QFETCH(QStringList, files);
    QFETCH(QStringList, shown);
    TTempDir music;
    for (const QString& file : files) {
      const QStringList parts = file.split(QLatin1Char('='));
      const QStringList tag = parts[1].split(QLatin1Char('/'));
      music.Write(parts[0].toStdString(),
                  tag.size() == 2 ? TaggedMp3(tag[0].toStdString(), tag[1].toStdString()) : "x");
    }
    TFormMain form(Desktop_.Path(), music.Path());
    TPlanSeen seen;
    seen.Attach(form);
    form.ButtonSelectAllClick();
    form.ButtonRenameClick();
    // The refresh has run as ever: the counters start again.
    QCOMPARE(form.StaticTextFailure->text(), QStringLiteral("0"));
    QCOMPARE(seen.Shown, shown.isEmpty() ? 0 : 1);
    if (shown.isEmpty()) return;
    QCOMPARE(seen.Title, U("改名结果"));
    QCOMPARE(Notes(seen.Rows), shown);
    QCOMPARE(seen.Summary, U("选中 %1 个文件：成功换名 %2 个，换名失败 %3 个（红色标出）")
                               .arg(files.size())
                               .arg(files.size() - shown.size())
                               .arg(shown.size()));
  }

  void undoListsAndWhatIsNone_data() {
    QTest::addColumn<QByteArray>("content");  // "@" stands for the music folder
    QTest::addColumn<QString>("summary");     // its second line; empty: refused as no list
    QTest::addColumn<QStringList>("notes");
    QTest::addColumn<bool>("restorable");
    const QByteArray header = QByteArray::fromStdString(
        tunaro::platform::Utf8ToGbk("rem 执行日期时间：2026-12-07 22:00:00\r\n"));
    QTest::newRow("empty file") << QByteArray() << QString() << QStringList() << false;
    QTest::newRow("random bytes") << QByteArray("<random>") << QString() << QStringList() << false;
    QTest::newRow("1 GB sparse") << QByteArray("<sparse>") << QString() << QStringList() << false;
    QTest::newRow("unreadable lines")
        << header + "hello\r\n\x01\x02\r\nren \"@/a.mp3\" \"old.mp3\"\r\n"
        << U("可以恢复：1 个，换名失败：0 个，跳过：2 行")
        << QStringList{QString(), U("第 2 行不是 rem 或 ren 行，跳过"),
                       U("第 3 行不是 rem 或 ren 行，跳过")}
        << true;
    QTest::newRow("a folder") << header + "ren \"@/sub\" \"old\"\r\n"
                              << U("可以恢复：0 个，换名失败：0 个，跳过：1 行")
                              << QStringList{U("第 2 行的现文件不是文件（而是文件夹等），跳过")}
                              << false;
    QTest::newRow("out of its folder")
        << header + "ren \"@/a.mp3\" \"../x.mp3\"\r\n"
        << U("可以恢复：0 个，换名失败：0 个，跳过：1 行")
        << QStringList{U("第 2 行的原文件名带有路径，会把文件移出它的文件夹，跳过")} << false;
  }
  void undoListsAndWhatIsNone() {
    QFETCH(QByteArray, content);
    QFETCH(QString, summary);
    QFETCH(QStringList, notes);
    QFETCH(bool, restorable);
    TTempDir music;
    music.Write("a.mp3", "x");
    music.MakeDir("sub");
    const std::string list = music / "list.bat";
    std::string bytes = content.replace("@", QByteArray::fromStdString(music.Path())).toStdString();
    if (content == "<random>") {
      std::mt19937 random(24);
      bytes.resize(200'000);
      for (char& c : bytes) c = static_cast<char>(random());
    }
    music.Write("list.bat", content == "<sparse>" ? "" : bytes);
    if (content == "<sparse>") QCOMPARE(truncate(list.c_str(), 1LL << 30), 0);
    TFormMain form(Desktop_.Path(), music.Path());
    TPlanSeen seen;
    seen.Attach(form);
    seen.Accept = false;
    QStringList messages;
    form.ShowMessage = [&](const QString& text, const QString&) { messages << text; };
    form.AskUndoFile = [&](std::string& fileName) {
      fileName = list;
      return true;
    };
    form.MenuItemUndo->trigger();
    if (summary.isEmpty()) {
      QCOMPARE(messages, QStringList{Q(list) + U("\n这不是恢复列表")});
      QCOMPARE(seen.Shown, 0);
      return;
    }
    QCOMPARE(seen.Summary.section(QLatin1Char('\n'), 1, 1), summary);
    QCOMPARE(Notes(seen.Rows), notes);
    QCOMPARE(seen.All.back().OkEnabled, restorable);
    QVERIFY(tunaro::platform::FolderState(music / "sub") == 0);
  }

  void desktopFolderMadeOrNamedBeforeAnyFile_data() {
    QTest::addColumn<bool>("makeable");
    QTest::newRow("missing") << true;
    QTest::newRow("a file in its place") << false;
  }
  void desktopFolderMadeOrNamedBeforeAnyFile() {
    QFETCH(bool, makeable);
    TTempDir home, music;
    // No user-dirs.dirs: the desktop is $HOME/Desktop.
    const auto restore = qScopeGuard([old = qgetenv("HOME")] { qputenv("HOME", old); });
    qputenv("HOME", QByteArray::fromStdString(home.Path()));
    if (!makeable) home.Write("Desktop", "a file");
    music.Write("a.mp3", TaggedMp3("A", "One"));
    TFormMain form(home / "Desktop", music.Path());
    TPlanSeen seen;
    seen.Attach(form);
    QStringList errors;
    form.ShowError = [&](const QString& text, const QString&) { errors << text; };
    form.MenuItemCreateUndoBatch->setChecked(true);
    form.ButtonSelectAllClick();
    seen.Accept = false;
    form.MenuItemPreview->trigger();
    const QString problem = U("无法使用桌面文件夹 %1：它不是文件夹。").arg(Q(home / "Desktop"));
    QCOMPARE(seen.Summary.startsWith(problem), !makeable);
    QCOMPARE(seen.All.back().OkEnabled, makeable);
    form.ButtonRenameClick();
    QCOMPARE(errors.size(), makeable ? 0 : 1);
    QCOMPARE(Exists(music / "A - One.mp3"), makeable);
    if (makeable) QVERIFY(!UndoListIn(home / "Desktop").empty());
    if (!makeable)
      QCOMPARE(errors[0], problem + U("\n运行记录和恢复列表要写在那里，所以没有改名任何文件。"));

    // The undo file dialog opens where the lists are written, or the nearest folder above.
    QString opened;
    QTimer::singleShot(0, &form, [&] {
      auto* dialog = form.findChild<QFileDialog*>(QStringLiteral("DialogUndoFile"));
      if (dialog == nullptr) return;
      opened = dialog->directory().absolutePath();
      dialog->reject();
    });
    form.MenuItemUndo->trigger();
    QCOMPARE(opened, Q(makeable ? home / "Desktop" : home.Path()));
  }

  // A GBK name from an old Windows system, no UTF-8: reached by its bytes, shown decoded.
  void aFolderWhoseNameIsNotUtf8() {
    TTempDir dir;
    const std::string gbk = dir / "\xD2\xF4\xC0\xD6";  // 音乐
    dir.Write("\xD2\xF4\xC0\xD6/a.mp3", "x");
    TFormMain form(Desktop_.Path(), dir.Path());
    auto* tree = form.ShellTreeView;
    const QModelIndex here = tree->currentIndex();
    tree->model()->fetchMore(here);
    QCOMPARE(tree->model()->rowCount(here), 1);
    const QModelIndex child = tree->model()->index(0, 0, here);
    QCOMPARE(child.data().toString(), U("音乐"));
    tree->setCurrentIndex(child);
    QTRY_COMPARE(form.Entries().Count(), size_t{1});
    QCOMPARE(form.Entries().Path(0), gbk + "/a.mp3");
    QCOMPARE(form.LabelCurrentPathDetail->text(), Q(dir.Path()) + U("/音乐"));
    const tunaro::ui::TCommandLine line = tunaro::ui::ParseCommandLine({gbk}, "/");
    QCOMPARE(line.Folder, gbk);
    TFormMain started(Desktop_.Path(), line.Folder);
    QCOMPARE(started.ShellTreeView->Path(), gbk);
  }

  void commandLineAndDropCaption_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("caption");
    QTest::newRow("one type") << QStringList{"a.wav"} << U("WAV文件数量：");
    QTest::newRow("audio types") << QStringList{"a.mp3", "b.wav"} << U("音频文件数量：");
    QTest::newRow("not all audio") << QStringList{"a.mp3", "notes.txt"} << U("文件数量：");
  }
  void commandLineAndDropCaption() {
    QFETCH(QStringList, names);
    QFETCH(QString, caption);
    TTempDir dir;
    std::vector<std::string> args{"missing.mp3"}, paths;
    for (const QString& name : names) {
      paths.push_back(dir.Write(name.toStdString(), "x"));
      args.push_back(name.toStdString());
    }
    const tunaro::ui::TCommandLine line = tunaro::ui::ParseCommandLine(args, dir.Path());
    QCOMPARE(line.Skipped, size_t{1});
    QCOMPARE(line.Files, paths);
    TFormMain form(Desktop_.Path(), dir.Path());
    form.FilesDropped(line.Files);
    QCOMPARE(form.StaticTextTotalFiles->text(), caption);
    form.ShellTreeViewChange();
    QCOMPARE(form.StaticTextTotalFiles->text(), U("MP3文件数量："));
  }

  // Files deleted since they were listed, or never there, are gone, not untagged; and
  // nothing checked is said, not run.
  void goneFilesAndNothingChecked() {
    TTempDir desktop, music;
    const std::string a = music.Write("a.mp3", TaggedMp3("A", "One"));
    const std::string b = music.Write("b.mp3", TaggedMp3("B", "Two"));
    TFormMain form(desktop.Path(), music.Path());
    TPlanSeen seen;
    seen.Attach(form);
    seen.Accept = false;
    QStringList messages;
    form.ShowMessage = [&](const QString& text, const QString&) { messages << text; };
    form.MenuItemCreateUndoBatch->setChecked(true);
    form.MenuItemKeepLog->setChecked(true);
    form.MenuItemPreview->trigger();
    QVERIFY(seen.Rows.empty() && !seen.All.back().OkEnabled);
    form.ButtonRenameClick();
    QCOMPARE(messages, QStringList{U("没有选中任何文件")});
    QVERIFY(desktop.List().empty());

    form.FilesDropped({a, b, music / "never.mp3"});
    form.ButtonSelectAllClick();
    QVERIFY(std::filesystem::remove(b));
    form.MenuItemPreview->trigger();
    QCOMPARE(Notes(seen.Rows), QStringList({QString(), U("文件已不在"), U("文件已不在")}));
  }

  void closeDuringARunStopsAfterTheFileInHand() {
    class TClosingForm : public TFormMain {
     public:
      using TFormMain::TFormMain;
      int Calls = 0;
      void CounterDisplayRefresh() override {
        TFormMain::CounterDisplayRefresh();
        if (Running() && ++Calls == 3) close();  // the run's second file is next
      }
    };
    TTempDir desktop, music;
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3"}) music.Write(name, TaggedMp3("A", name));
    TClosingForm form(desktop.Path(), music.Path());
    int asked = 0;
    form.ConfirmStop = [&] { return ++asked > 0; };
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.MenuItemCreateUndoBatch->setChecked(true);
    form.ButtonSelectAllClick();
    form.ButtonRenameClick();
    QCOMPARE(asked, 1);
    QVERIFY(!form.isVisible());
    QCOMPARE(music.List(), (std::vector<std::string>{"2.mp3", "3.mp3", "A - 1.mp3.mp3"}));
    const QStringList lines =
        Q(tunaro::platform::GbkToUtf8(tunaro::test::ReadFile(UndoListIn(desktop.Path()))))
            .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);  // the opening line, one rename, the closing line
    QCOMPARE(lines.last(), U("rem 操作完成"));
  }

  void settingsWrittenByHand_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("taken");
    const char* const rows[][4] = {{"an option's word", "Options/KeepLog", "banana", "false"},
                                   {"an option on", "Options/KeepLog", "true", "true"},
                                   {"a template of 10 MB", "Template", "", "%1 - %2"},
                                   {"a template", "Template", "%2", "%2"}};
    for (const auto& row : rows)
      QTest::newRow(row[0]) << row[1] << (*row[2] ? row[2] : QString(10 << 20, 'x')) << row[3];
  }
  void settingsWrittenByHand() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QString, taken);
    QSettings(TFormMain::SettingsFileName(), QSettings::IniFormat).setValue(key, value);
    TFormMain form(Desktop_.Path());
    QCOMPARE(key == "Template" ? form.ComboBoxFileNameTemplate->currentText()
                               : QVariant(form.MenuItemKeepLog->isChecked()).toString(),
             taken);
  }

  void aSecondWindowOpensAsideAndKeepsTheFirstsChanges() {
    TTempDir dir;
    auto first = std::make_unique<TFormMain>(Desktop_.Path(), dir.Path());
    auto second = std::make_unique<TFormMain>(Desktop_.Path(), dir.Path());
    QCOMPARE(second->pos() - first->pos(),
             QPoint(TFormMain::kInstanceOffset, TFormMain::kInstanceOffset));
    first->MenuItemKeepLog->trigger();
    second->ComboBoxFileNameTemplate->setEditText(QStringLiteral("%2"));
    QVERIFY(second->close());
    QVERIFY(first->close());
    first.reset();
    second.reset();
    TFormMain third(Desktop_.Path(), dir.Path());
    QVERIFY(third.MenuItemKeepLog->isChecked());
    QCOMPARE(third.ComboBoxFileNameTemplate->currentText(), QStringLiteral("%2"));
  }

  // Under the automatic code page each folder's reading heads its files; a chosen code page
  // reads every folder alike. The remarks show whole.
  void previewSaysHowEachFolderIsRead_data() {
    QTest::addColumn<QString>("codePage");
    QTest::addColumn<QString>("heading");
    QTest::newRow("auto") << "auto" << U("按 Big5 读取");
    QTest::newRow("GBK chosen") << "gbk" << QString();
  }
  void previewSaysHowEachFolderIsRead() {
    QFETCH(QString, codePage);
    QFETCH(QString, heading);
    TTempDir dir;
    const std::string folder = dir / "big5-v1";
    std::filesystem::copy(TUNARO_TEST_DATA "/codepages/big5-v1", folder);
    TFormMain form(Desktop_.Path(), folder);
    form.findChild<QAction*>("MenuItemCodePage_" + codePage)->trigger();
    form.ButtonSelectAllClick();
    std::vector<TPlanRow> rows;
    QStringList cut;  // remarks wider than their column
    form.ConfirmPlan = [&](tunaro::ui::TDialogPlan& plan) {
      rows = plan.Model->Rows();
      plan.show();
      const int room = plan.TablePlan->horizontalHeader()->sectionSize(2);
      for (const TPlanRow& row : rows)
        if (plan.TablePlan->fontMetrics().horizontalAdvance(row.Note) >= room) cut << row.Note;
      return false;
    };
    form.MenuItemPreview->trigger();
    QStringList headings;
    for (const TPlanRow& row : rows)
      if (row.Heading) headings << Q(row.From) + ": " + row.Note;
    QCOMPARE(rows.front().Heading, !heading.isEmpty());
    QCOMPARE(headings,
             heading.isEmpty() ? QStringList() : QStringList{Q(folder + "/: ") + heading});
    QCOMPARE(cut, QStringList());
  }
};

QTEST_MAIN(TWindowPromisesTest)
#include "window_promises_test.moc"
