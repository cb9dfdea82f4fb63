#include "ui/dialog_plan.h"

#include <QApplication>
#include <QBrush>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/name_builder.h"
#include "engine/rename_run.h"
#include "ui/file_list_model.h"

namespace tunaro::ui {

namespace {

QString NameText(const std::string& path) {
  return TFileListModel::DisplayText(engine::ExtractFileName(path));
}

}  // namespace

void TPlanRecorder::Folder(const std::string& folder, const std::string& text) {
  Heading_.reset();
  if (text.empty()) return;
  Heading_ = TPlanRow{folder, {}, QString::fromStdString(text), false, true};
}

void TPlanRecorder::File(const engine::TFileOutcome& o) {
  ++Files;
  if (!o.Success) ++Failures;
  if (FailuresOnly_ && o.Success) return;
  if (Heading_) {
    Rows.push_back(std::move(*Heading_));
    Heading_.reset();
  }
  Rows.push_back({o.OldPath, o.NewPath,
                  QString::fromStdString(engine::FailReasonText(o.Reason, o.Errno)), !o.Success});
}

TPlanModel::TPlanModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent),
      Headers_(std::move(headers)),
      FailIcon_(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning)),
      FolderIcon_(QApplication::style()->standardIcon(QStyle::SP_DirIcon)) {}

void TPlanModel::SetRows(std::vector<TPlanRow> rows) {
  beginResetModel();
  Rows_ = std::move(rows);
  endResetModel();
}

size_t TPlanModel::Failures() const {
  return static_cast<size_t>(
      std::count_if(Rows_.begin(), Rows_.end(), [](const TPlanRow& r) { return r.Fails; }));
}

int TPlanModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(Rows_.size());
}

int TPlanModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumns;
}

QVariant TPlanModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<size_t>(index.row()) >= Rows_.size()) return {};
  const TPlanRow& row = Rows_[static_cast<size_t>(index.row())];
  const int column = index.column();
  if (row.Heading) {
    // The folder whole (its name alone may be any album's), and how its tags are read.
    switch (role) {
      case Qt::DisplayRole:
        return column == colFrom   ? TFileListModel::DisplayText(row.From)
               : column == colNote ? row.Note
                                   : QVariant();
      case Qt::ToolTipRole:
        return TFileListModel::DisplayText(row.From) + QStringLiteral("\n") + row.Note;
      case Qt::DecorationRole:
        return column == colFrom ? FolderIcon_ : QVariant();
      case Qt::BackgroundRole:
        return QBrush(QColor(222, 232, 246));
      case Qt::ForegroundRole:
        return QBrush(QColor(0, 0, 96));
      default:
        return {};
    }
  }
  switch (role) {
    case Qt::DisplayRole:
      if (column == colFrom) return NameText(row.From);
      if (column == colTo) return NameText(row.To);
      return row.Note;
    case Qt::ToolTipRole:
      // The names alone leave the folder out; the hint gives the whole path.
      if (column == colFrom) return TFileListModel::DisplayText(row.From);
      if (column == colTo) return TFileListModel::DisplayText(row.To);
      return row.Note;
    case Qt::DecorationRole:
      if (column == colNote && row.Fails) return FailIcon_;
      return {};
    case Qt::BackgroundRole:
      // A failing row stands out in the whole line, not only in its note.
      if (row.Fails) return QBrush(QColor(255, 214, 214));
      return {};
    case Qt::ForegroundRole:
      if (row.Fails) return QBrush(QColor(160, 0, 0));
      return {};
    default:
      return {};
  }
}

QVariant TPlanModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
      section < Headers_.size())
    return Headers_[section];
  return QAbstractTableModel::headerData(section, orientation, role);
}

TDialogPlan::TDialogPlan(const QString& caption, const QStringList& headers, const QString& okText,
                         QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("DialogPlan"));
  setWindowTitle(caption);
  setSizeGripEnabled(true);
  resize(640, 400);

  Model = new TPlanModel(headers, this);
  LabelSummary = new QLabel(this);
  LabelSummary->setObjectName(QStringLiteral("LabelSummary"));
  LabelSummary->setWordWrap(true);

  TablePlan = new QTableView(this);
  TablePlan->setObjectName(QStringLiteral("TablePlan"));
  TablePlan->setModel(Model);
  TablePlan->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TablePlan->setSelectionBehavior(QAbstractItemView::SelectRows);
  TablePlan->setWordWrap(false);
  TablePlan->setShowGrid(false);
  TablePlan->setTabKeyNavigation(false);  // Tab goes on to the buttons
  TablePlan->setTextElideMode(Qt::ElideMiddle);
  // Rows of one fixed height and columns of set widths: the view never measures the rows, so
  // the size of the plan costs nothing at opening or scrolling.
  QHeaderView* rows = TablePlan->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(fontMetrics().height() + 4);
  rows->hide();

  auto* buttons = new QDialogButtonBox(this);
  ButtonOK = buttons->addButton(okText, QDialogButtonBox::AcceptRole);
  ButtonOK->setObjectName(QStringLiteral("ButtonOK"));
  ButtonCancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
  ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
  // Enter on the table must not start the renames unasked.
  ButtonOK->setAutoDefault(false);
  ButtonCancel->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(LabelSummary);
  layout->addWidget(TablePlan);
  layout->addWidget(buttons);
}

void TDialogPlan::SetRows(std::vector<TPlanRow> rows) {
  // A plan holds few different remarks and many names: every remark is measured, the names
  // of the first rows only.
  const QFontMetrics metrics(TablePlan->font());
  QSet<QString> notes;
  int noteWidth =
      metrics.horizontalAdvance(Model->headerData(TPlanModel::colNote, Qt::Horizontal).toString());
  int nameWidth = 120;
  for (size_t i = 0; i < rows.size(); ++i) {
    const TPlanRow& row = rows[i];
    if (!row.Heading && i < 200)
      nameWidth = std::max({nameWidth, metrics.horizontalAdvance(NameText(row.From)),
                            metrics.horizontalAdvance(NameText(row.To))});
    if (notes.size() < 100 && !notes.contains(row.Note)) {
      notes.insert(row.Note);
      noteWidth = std::max(noteWidth, metrics.horizontalAdvance(row.Note));
    }
  }
  Model->SetRows(std::move(rows));
  // A folder's row runs across both name columns: its path is longer than a name. (Spans
  // cost the view a lookup per cell; past a thousand folders the path stays in its column.)
  TablePlan->clearSpans();
  int spans = 0;
  for (size_t i = 0; i < Model->Rows().size() && spans < 1000; ++i)
    if (Model->Rows()[i].Heading && ++spans)
      TablePlan->setSpan(static_cast<int>(i), TPlanModel::colFrom, 1, 2);
  // Room for the warning sign and the cell margins; the dialog as wide as names of up to 260
  // pixels each need beside the remarks (the whole path is in the hint), within the screen.
  noteWidth += style()->pixelMetric(QStyle::PM_SmallIconSize) + 16;
  nameWidth = std::min(nameWidth + 16, 260);
  const int frame = 2 * style()->pixelMetric(QStyle::PM_LayoutLeftMargin) +
                    2 * TablePlan->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent) +
                    8;
  int wanted = std::max(640, 2 * nameWidth + noteWidth + frame);
  if (const QScreen* at = screen())
    wanted = std::min(wanted, at->availableGeometry().width() * 9 / 10);
  resize(wanted, height());
  // The remarks keep their width; the names share the rest, however wide the dialog is made.
  QHeaderView* columns = TablePlan->horizontalHeader();
  columns->setStretchLastSection(false);
  columns->setSectionResizeMode(TPlanModel::colNote, QHeaderView::Fixed);
  columns->resizeSection(TPlanModel::colNote, noteWidth);
  columns->setSectionResizeMode(TPlanModel::colFrom, QHeaderView::Stretch);
  columns->setSectionResizeMode(TPlanModel::colTo, QHeaderView::Stretch);
}

void TDialogPlan::ReportOnly() {
  ButtonCancel->hide();
  ButtonCancel->setDefault(false);
  ButtonOK->setText(QStringLiteral("确定"));
  ButtonOK->setDefault(true);
}

}  // namespace tunaro::ui
