// The main window's preview of a rename run, the failures of a run, and its undo: all show
// the renames in a table, decided by the engine code that makes them.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <algorithm>
#include <cerrno>

#include "engine/name_builder.h"
#include "engine/rename_run.h"
#include "engine/run_files.h"
#include "engine/undo_replay.h"
#include "platform/fs.h"
#include "platform/io_error.h"
#include "ui/dialog_plan.h"
#include "ui/file_list_model.h"
#include "ui/form_main.h"

namespace tunaro::ui {

namespace {

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

// The window's list with a state of its own: a dry run sets the counters and the current
// extension, and the preview must leave the window's as they are.
class TPreviewHost : public engine::TEngineHost {
 public:
  TPreviewHost(engine::TEngineHost& window, QProgressBar* gauge)
      : Window_(window), State_(window.State()), Gauge_(gauge) {
    Shown_.start();
  }

  engine::TFileList& Entries() override { return Window_.Entries(); }
  engine::TRunState& State() override { return State_; }
  // Nothing else runs in between, the list must stay the one the rows are of; only the
  // gauge is painted, so that a long dry run shows that it goes on.
  void CounterDisplayRefresh() override {
    if (Shown_.elapsed() < 100) return;
    Gauge_->setValue(State_.Counters.Progress);
    Gauge_->repaint();
    Shown_.start();
  }
  std::string DesktopDir() const override { return Window_.DesktopDir(); }
  void FileDone(const engine::TFileOutcome& o) override { Plan.File(o); }
  void FolderCodePage(const std::string& folder, const platform::TFolderReading&,
                      const std::string& text) override {
    Plan.Folder(folder, text);
  }

  TPlanRecorder Plan{false};

 private:
  engine::TEngineHost& Window_;
  engine::TRunState State_;
  QProgressBar* Gauge_;
  QElapsedTimer Shown_;
};

const QStringList& RenameHeaders() {
  static const QStringList headers{U("原文件名"), U("新文件名"), U("不能改名的原因")};
  return headers;
}

// Long reading and planning of an undo list: a progress dialog, shown only when the work
// takes a while, that the user may cancel, with the busy cursor. Events run only once it is
// shown (its setValue lets them): being modal, it keeps the window from starting other work
// in the middle of this.
class TBusyProgress {
 public:
  TBusyProgress(QWidget* parent, const QString& text) : Dialog_(text, U("取消"), 0, 1000, parent) {
    Dialog_.setWindowTitle(U("撤销改名"));
    Dialog_.setWindowModality(Qt::WindowModal);
    Dialog_.setMinimumDuration(500);
    Dialog_.setAutoReset(false);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    Shown_.start();
  }
  ~TBusyProgress() { QApplication::restoreOverrideCursor(); }

  // false when the user cancelled.
  bool Step(size_t done, size_t total) {
    if (Shown_.elapsed() >= 50) {
      Dialog_.setValue(total == 0 ? 0 : static_cast<int>(done * 1000 / total));
      Shown_.start();
    }
    return !Dialog_.wasCanceled();
  }
  engine::TUndoProgress Callback() {
    return [this](size_t done, size_t total) { return Step(done, total); };
  }

 private:
  QProgressDialog Dialog_;
  QElapsedTimer Shown_;
};

// Why an undo line is no step, as the plan says it.
QString LineFaultText(engine::TLineFault fault, size_t line) {
  switch (fault) {
    case engine::TLineFault::RelativePath:
      return U("第 %1 行的路径不完整，跳过").arg(line);
    case engine::TLineFault::LeavesFolder:
      return U("第 %1 行的原文件名带有路径，会把文件移出它的文件夹，跳过").arg(line);
    case engine::TLineFault::NotAFile:
      return U("第 %1 行的现文件不是文件（而是文件夹等），跳过").arg(line);
    case engine::TLineFault::NotACommand:
      break;
  }
  return U("第 %1 行不是 rem 或 ren 行，跳过").arg(line);
}

// Why a step cannot be done.
QString UndoFailText(int err) {
  switch (err) {
    case ENOENT:
      return U("文件已不在");
    case EEXIST:
      return U("原文件名已被占用");
    case EACCES:
    case EROFS:
      return U("文件夹不可写");
    case EISDIR:
      return U("不是文件，不改名");
    default:
      return U(platform::IoErrorText(err).c_str());
  }
}

// The first bytes of a file: enough to tell an undo list from anything else without reading
// a large file whole.
int ReadHead(const std::string& path, std::string& head) {
  platform::TReadableFile file;
  if (const int err = platform::OpenRegularFile(path, file)) return err;
  head.resize(256);
  const int64_t got = platform::ReadFileAt(file.Fd, 0, head.data(), head.size());
  const int err = got < 0 ? errno : 0;
  platform::CloseFile(file.Fd);
  head.resize(got < 0 ? 0 : static_cast<size_t>(got));
  return err;
}

}  // namespace

engine::TRunSettings TFormMain::RunSettings() const {
  engine::TRunSettings settings;
  settings.Template = ComboBoxFileNameTemplate->currentText().toUtf8().toStdString();
  settings.KeepLog = MenuItemKeepLog->isChecked();
  settings.CreateUndoBatch = MenuItemCreateUndoBatch->isChecked();
  settings.CodePage = State_.CodePage;
  return settings;
}

void TFormMain::MenuItemPreviewClick() {
  if (Running_) return;
  if (State_.Counters.Total == 0) {
    ShowMessage(U("指定的类型找不到任何文件!"), U("确认"));
    return;
  }
  engine::TRunSettings settings = RunSettings();
  // The run stops before its first file where the log and the undo file have no folder.
  QString problem;
  if (settings.KeepLog || settings.CreateUndoBatch) problem = PrepareDesktop(false);
  settings.DryRun = true;
  TPreviewHost preview(*this, GaugeProgress);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  engine::RenameRun(preview, Readers_, settings);  // a dry run writes no file: no I/O error
  QApplication::restoreOverrideCursor();
  ShowCounters();  // the gauge back to the window's own run

  TDialogPlan plan(U("预览改名结果"), RenameHeaders(), U("改名"), this);
  plan.setObjectName(QStringLiteral("DialogPreview"));
  const TPlanRecorder& rows = preview.Plan;
  QString summary = U("选中 %1 个文件：可以改名 %2 个，不能改名 %3 个（红色标出）")
                        .arg(rows.Files)
                        .arg(rows.Files - rows.Failures)
                        .arg(rows.Failures);
  // The names are worth seeing, but no count of renames the run would not make.
  if (!problem.isEmpty()) {
    summary = problem + U("。\n运行记录和恢复列表要写在那里，所以改名不会改动任何文件；关掉 "
                          "处理设置 里的 创建恢复列表 和 保留换名记录 才能改名。");
    plan.LabelSummary->setStyleSheet(QStringLiteral("color: #a00000"));
  }
  plan.LabelSummary->setText(summary);
  plan.ButtonOK->setEnabled(problem.isEmpty() && rows.Files > rows.Failures);
  plan.SetRows(std::move(preview.Plan.Rows));
  // The run goes over the same checked files: the modal table lets nothing change them.
  if (ConfirmPlan(plan) && plan.ButtonOK->isEnabled()) ButtonRenameClick();
}

void TFormMain::ShowRunFailures(TPlanRecorder& failures) {
  TDialogPlan table(U("改名结果"), RenameHeaders(), U("确定"), this);
  table.setObjectName(QStringLiteral("DialogRunFailures"));
  table.ReportOnly();
  table.LabelSummary->setText(U("选中 %1 个文件：成功换名 %2 个，换名失败 %3 个（红色标出）")
                                  .arg(failures.Files)
                                  .arg(failures.Files - failures.Failures)
                                  .arg(failures.Failures));
  table.SetRows(std::move(failures.Rows));
  ConfirmPlan(table);
}

bool TFormMain::AskUndoFileWithDialog(std::string& fileName) {
  const QString folder = TFileListModel::DisplayText(UndoFilesFolder());
  QFileDialog dialog(this, U("选择恢复列表"), folder, U("恢复列表 (撤销自动改名*.bat)"));
  dialog.setObjectName(QStringLiteral("DialogUndoFile"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  // The newest run is the one most often taken back: its file is offered. The names hold the
  // date and time, but the modification time orders them without parsing.
  const QFileInfoList files =
      QDir(folder).entryInfoList({U("撤销自动改名*.bat")}, QDir::Files, QDir::Time);
  if (!files.isEmpty()) dialog.selectFile(files.first().fileName());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
  fileName = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
  return true;
}

void TFormMain::MenuItemUndoClick() {
  if (Running_) return;
  std::string batchPath;
  if (!AskUndoFile(batchPath)) return;
  // The head first: a file chosen by mistake (a large one, random bytes, an empty one) is
  // refused before it is read whole.
  std::string bytes;
  int err = ReadHead(batchPath, bytes);
  if (err == 0 && !engine::HasUndoBatchHeader(bytes)) {
    ShowMessage(TFileListModel::DisplayText(batchPath) + U("\n这不是恢复列表"), U("撤销改名"));
    return;
  }
  if (err == 0) err = platform::ReadRegularFile(batchPath, bytes);
  if (err != 0) {
    ShowError(U(platform::IoErrorText(err).c_str()), QCoreApplication::applicationName());
    return;
  }

  engine::TUndoBatchContent batch;
  std::vector<TPlanRow> rows;
  size_t possible = 0, skipped = 0, failing = 0;
  {
    TBusyProgress busy(this, U("正在读取恢复列表……"));
    batch = engine::ParseUndoBatch(bytes, busy.Callback());
    if (!busy.Step(1, 1)) return;
    // The dry run plans the lines in the order the replay takes them.
    failing = engine::ReplayUndoBatch(
        batch, true,
        [&](const engine::TUndoOutcome& o) {
          TPlanRow row{o.Step.NewPath, o.Step.OldPath, {}, o.Errno != 0};
          if (o.Skipped) {
            row.Note = U("已是原名，无需恢复");
            ++skipped;
          } else if (o.Errno != 0) {
            row.Note = UndoFailText(o.Errno);
          } else {
            ++possible;
          }
          rows.push_back(std::move(row));
        },
        busy.Callback());
    if (!busy.Step(1, 1)) return;
  }
  // Lines that say nothing the replay can do are passed over, and counted apart.
  for (size_t i = 0; i < batch.BadLines.size(); ++i)
    rows.push_back({{}, {}, LineFaultText(batch.BadLineFaults[i], batch.BadLines[i]), false});
  const auto counts = [&](const char* done, size_t doneCount, size_t failed, size_t already,
                          const char* separator) {
    QString text = U(done).arg(doneCount) + separator + U("换名失败：%1 个").arg(failed);
    if (already > 0) text += separator + U("无需恢复：%1 个").arg(already);
    if (!batch.BadLines.empty()) text += separator + U("跳过：%1 行").arg(batch.BadLines.size());
    return text;
  };

  TDialogPlan plan(U("撤销改名"), {U("现文件名"), U("恢复为"), U("说明")}, U("恢复"), this);
  plan.setObjectName(QStringLiteral("DialogUndo"));
  QString summary = TFileListModel::DisplayText(batchPath) + U("\n") +
                    counts("可以恢复：%1 个", possible, failing, skipped, "，");
  if (!batch.Steps.empty() && !batch.Closed) summary += U("\n此列表没有结束行（改名中途停止）");
  plan.LabelSummary->setText(summary);
  plan.ButtonOK->setEnabled(possible > 0);
  plan.SetRows(std::move(rows));
  if (!ConfirmPlan(plan) || possible == 0) return;

  size_t done = 0;
  skipped = 0;
  size_t failed = 0;
  {
    TBusyProgress busy(this, U("正在恢复原文件名……"));
    failed = engine::ReplayUndoBatch(
        batch, false,
        [&](const engine::TUndoOutcome& o) {
          if (o.Skipped)
            ++skipped;
          else if (o.Errno == 0)
            ++done;
        },
        busy.Callback());
  }
  ShowMessage(counts("成功恢复：%1 个", done, failed, skipped, "\n"), U("撤销改名"));
  FolderRefresh();
}

}  // namespace tunaro::ui
