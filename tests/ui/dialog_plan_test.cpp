// The preview and the undo of the main window, on real temporary folders: the preview shows
// what the dry run decides and the run then does, and an undo file made by the window's run
// takes the names back from the window.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QtTest>

#include "engine/rename_run.h"
#include "engine/run_files.h"
#include "plan_seen.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "ui/dialog_plan.h"
#include "ui/form_main.h"

using tunaro::engine::TFailReason;
using tunaro::test::TaggedMp3;
using tunaro::test::TPlanSeen;
using tunaro::test::TTempDir;
using tunaro::ui::TDialogPlan;
using tunaro::ui::TFormMain;
using tunaro::ui::TPlanRow;

namespace {

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// A window that records what its real run decides for each file.
class TRecordingForm : public TFormMain {
 public:
  using TFormMain::TFormMain;
  void FileDone(const tunaro::engine::TFileOutcome& o) override {
    Run.push_back({o.OldPath, o.NewPath, o.Success, o.Reason});
  }
  std::vector<tunaro::test::TOutcome> Run;
};

}  // namespace

class TDialogPlanTest : public QObject {
  Q_OBJECT

  TTempDir Config_;

 private slots:
  // The window remembers its settings: never in the real config folder, and every test starts
  // from the defaults, whatever the windows of the one before remembered.
  void initTestCase() { qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(Config_.Path())); }
  void init() { QFile::remove(TFormMain::SettingsFileName()); }

  void menuItems() {
    TTempDir desktop;
    TFormMain form(desktop.Path());
    QCOMPARE(form.MenuItemPreview->text(), U("预览改名结果(&V)..."));
    QCOMPARE(form.MenuItemUndo->text(), U("撤销改名(&Z)..."));
    QVERIFY(form.PopupMenuOptions->actions().contains(form.MenuItemPreview));
    QVERIFY(form.PopupMenuOptions->actions().contains(form.MenuItemUndo));
  }

  // Each reason once, plus a name an earlier file gives up and a later one takes.
  void previewIsTheDryRunAndTheRun() {
    TTempDir desktop, music;
    music.Write("ABABABABA.mp3", "no tag");
    music.Write("a.mp3", TaggedMp3("A", "B"));
    music.Write("c.mp3", TaggedMp3("C", "D"));
    music.Write("d.mp3", TaggedMp3("C", "D"));
    music.Write("e.mp3", TaggedMp3("", ""));
    music.Write("g.mp3", TaggedMp3(std::string(30, 'x'), std::string(30, 'y')));
    const std::string notes = music.Write("notes.txt", TaggedMp3("N", "O"));
    TRecordingForm form(desktop.Path(), music.Path());
    std::vector<std::string> dropped;
    for (const std::string& name : music.List()) dropped.push_back(music / name);
    form.FilesDropped(dropped);
    form.ButtonSelectAllClick();
    form.ComboBoxFileNameTemplate->setEditText(QStringLiteral("%1%2%1%2%1%2%1%2%1"));

    tunaro::test::TRecordingHost engine;
    for (const std::string& path : dropped) engine.List.Append(path);
    engine.List.SetAllChecked(true);
    tunaro::engine::TReaders readers;
    tunaro::engine::TRunSettings settings;
    settings.Template = "%1%2%1%2%1%2%1%2%1";
    settings.DryRun = true;
    QVERIFY(!tunaro::engine::RenameRun(engine, readers, settings));

    TPlanSeen seen;
    seen.Attach(form);
    seen.Accept = false;
    form.MenuItemPreview->trigger();
    QCOMPARE(seen.Title, U("预览改名结果"));
    QCOMPARE(seen.Rows.size(), engine.Outcomes.size());
    for (size_t i = 0; i < seen.Rows.size(); ++i) {
      const TPlanRow& row = seen.Rows[i];
      QCOMPARE(row.From, engine.Outcomes[i].OldPath);
      QCOMPARE(row.To, engine.Outcomes[i].NewPath);
      QCOMPARE(row.Fails, !engine.Outcomes[i].Success);
      QCOMPARE(row.Note.isEmpty(), engine.Outcomes[i].Success);
    }
    QCOMPARE(seen.Rows[1].Note, U("已有同名文件"));
    QCOMPARE(seen.Rows[3].Note, U("与前面的文件改成同名"));
    QCOMPARE(seen.Rows[6].From, notes);
    QCOMPARE(seen.Rows[6].Note, U("不支持此扩展名的文件"));
    // Cancelled: nothing renamed, the window's counters as they were.
    QCOMPARE(music.List().size(), size_t(7));
    QVERIFY(form.Run.empty());
    QCOMPARE(form.StaticTextFailure->text(), QStringLiteral("0"));

    seen.Accept = true;
    form.MenuItemPreview->trigger();
    QCOMPARE(form.Run, engine.Outcomes);
    QVERIFY(tunaro::test::Exists(music / "CDCDCDCDC.mp3"));
    QVERIFY(tunaro::test::Exists(music / "d.mp3"));
  }

  void undoRoundTripFromTheWindow() {
    TTempDir desktop, music;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"})
      music.Write(name, TaggedMp3("Artist", name));
    TFormMain form(desktop.Path(), music.Path());
    QStringList messages;
    form.ShowMessage = [&](const QString& text, const QString&) { messages << text; };
    form.MenuItemCreateUndoBatch->setChecked(true);
    form.ButtonSelectAllClick();
    form.ButtonRenameClick();
    const std::vector<std::string> renamed{"Artist - a.mp3.mp3", "Artist - b.mp3.mp3",
                                           "Artist - c.mp3.mp3"};
    QCOMPARE(music.List(), renamed);
    // One old name taken meanwhile: that line cannot be done.
    music.Write("b.mp3", "another");

    std::string batch;
    for (const std::string& name : desktop.List())
      if (name.starts_with("撤销自动改名")) batch = desktop / name;
    QVERIFY(!batch.empty());
    form.AskUndoFile = [&](std::string& fileName) {
      fileName = batch;
      return true;
    };
    TPlanSeen seen;
    seen.Attach(form);
    form.MenuItemUndo->trigger();
    QCOMPARE(seen.Rows.size(), size_t(3));
    for (const TPlanRow& row : seen.Rows) {
      const bool taken = row.To == music / "b.mp3";
      QCOMPARE(row.Fails, taken);
      QCOMPARE(row.Note, taken ? U("原文件名已被占用") : QString());
    }
    QCOMPARE(messages, QStringList{U("成功恢复：2 个\n换名失败：1 个")});
    QCOMPARE(music.List(),
             (std::vector<std::string>{"Artist - b.mp3.mp3", "a.mp3", "b.mp3", "c.mp3"}));
    // The list shows the names as they are now.
    QCOMPARE(form.StaticTextTotal->text(), QStringLiteral("4"));
  }
};

QTEST_MAIN(TDialogPlanTest)
#include "dialog_plan_test.moc"
