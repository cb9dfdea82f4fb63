// The main window's preview of a rename run and its undo of one: both show the planned
// renames in a table first, decided by the engine code that then makes them.
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

QString ReasonText(engine::TFailReason reason, int err) {
  using enum engine::TFailReason;
  switch (reason) {
    case None:
      return {};
    case NoReader:
      return U("不支持此扩展名的文件");
    case NoTagData:
      return U("没有标签信息");
    case EmptyFields:
      return U("模板用到的标签项全部为空");
    case Undecodable:
      return U("标签文字无法按所选编码解读（请试试 处理设置 → 标签编码）");
    case ReadOnly:
      return U("只读属性无法去除");
    case NameTooLong:
      return U("新文件名太长（超过 %1 字节）").arg(engine::kMaxNameBytes);
    case NameTaken:
      return U("已有同名文件");
    case NameTakenInRun:
      return U("与前面的文件改成同名");
    case LineBreak:
      return U("路径中含有换行符，无法写进运行记录或恢复列表");
    case Refused:
      break;
  }
  return U("改名被拒绝：%1").arg(U(platform::IoErrorText(err).c_str()));
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
  void FileDone(const engine::TFileOutcome& o) override {
    Rows.push_back({o.OldPath, o.NewPath, ReasonText(o.Reason, o.Errno), !o.Success});
  }

  std::vector<TPlanRow> Rows;

 private:
  engine::TEngineHost& Window_;
  engine::TRunState State_;
  QProgressBar* Gauge_;
  QElapsedTimer Shown_;
};

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
  settings.DryRun = true;
  TPreviewHost preview(*this, GaugeProgress);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  engine::RenameRun(preview, Readers_, settings);  // a dry run writes no file: no I/O error
  QApplication::restoreOverrideCursor();
  ShowCounters();  // the gauge back to the window's own run

  TDialogPlan plan(U("预览改名结果"), {U("原文件名"), U("新文件名"), U("不能改名的原因")},
                   U("改名"), this);
  plan.setObjectName(QStringLiteral("DialogPreview"));
  const size_t failures = static_cast<size_t>(std::count_if(
      preview.Rows.begin(), preview.Rows.end(), [](const TPlanRow& row) { return row.Fails; }));
  plan.LabelSummary->setText(U("选中 %1 个文件：可以改名 %2 个，不能改名 %3 个（红色标出）")
                                 .arg(preview.Rows.size())
                                 .arg(preview.Rows.size() - failures)
                                 .arg(failures));
  plan.Model->SetRows(std::move(preview.Rows));
  // The run goes over the same checked files: the modal table lets nothing change them.
  if (ConfirmPlan(plan)) ButtonRenameClick();
}

bool TFormMain::AskUndoFileWithDialog(std::string& fileName) {
  const QString folder = TFileListModel::DisplayText(engine::RunFilesFolder(DesktopDir_));
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
  std::string bytes;
  if (const int err = platform::ReadRegularFile(batchPath, bytes)) {
    ShowError(U(platform::IoErrorText(err).c_str()), QCoreApplication::applicationName());
    return;
  }
  const engine::TUndoBatchContent batch = engine::ParseUndoBatch(bytes);

  // The dry run plans the lines in the order the replay takes them.
  std::vector<TPlanRow> rows;
  size_t possible = 0, skipped = 0;
  const size_t failing = engine::ReplayUndoBatch(batch, true, [&](const engine::TUndoOutcome& o) {
    TPlanRow row{o.Step.NewPath, o.Step.OldPath, {}, o.Errno != 0};
    if (o.Skipped) {
      row.Note = U("已是原名，无需恢复");
      ++skipped;
    } else if (o.Errno == ENOENT) {
      row.Note = U("文件已不在");
    } else if (o.Errno == EEXIST) {
      row.Note = U("原文件名已被占用");
    } else if (o.Errno != 0) {
      row.Note = U(platform::IoErrorText(o.Errno).c_str());
    } else {
      ++possible;
    }
    rows.push_back(std::move(row));
  });
  for (size_t line : batch.BadLines)
    rows.push_back({{}, {}, U("第 %1 行不是 rem 或 ren 行，跳过").arg(line), true});

  TDialogPlan plan(U("撤销改名"), {U("现文件名"), U("恢复为"), U("说明")}, U("恢复"), this);
  plan.setObjectName(QStringLiteral("DialogUndo"));
  QString summary = U("%1\n可以恢复：%2 个，换名失败：%3 个")
                        .arg(TFileListModel::DisplayText(batchPath))
                        .arg(possible)
                        .arg(failing + batch.BadLines.size());
  if (skipped > 0) summary += U("，无需恢复：%1 个").arg(skipped);
  if (!batch.Steps.empty() && !batch.Closed) summary += U("\n此列表没有结束行（改名中途停止）");
  plan.LabelSummary->setText(summary);
  plan.Model->SetRows(std::move(rows));
  if (!ConfirmPlan(plan)) return;

  size_t done = 0;
  skipped = 0;
  const size_t failed = engine::ReplayUndoBatch(batch, false, [&](const engine::TUndoOutcome& o) {
    if (o.Skipped)
      ++skipped;
    else if (o.Errno == 0)
      ++done;
  });
  QString report =
      U("成功恢复：%1 个\n换名失败：%2 个").arg(done).arg(failed + batch.BadLines.size());
  if (skipped > 0) report += U("\n无需恢复：%1 个").arg(skipped);
  ShowMessage(report, U("撤销改名"));
  FolderRefresh();
}

}  // namespace tunaro::ui
