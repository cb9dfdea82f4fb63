// The table of planned renames, shown before they are made: the preview of a rename run and
// the replay of an undo file. Each row is one file, its present name, the name it gets, and
// where it keeps its name, why.
#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QIcon>
#include <optional>
#include <string>
#include <vector>

#include "engine/host.h"

class QLabel;
class QPushButton;
class QTableView;

namespace tunaro::ui {

struct TPlanRow {
  std::string From;  // full path, the file system's bytes; empty for a row without a file
  std::string To;    // full path; empty when no new name was built
  QString Note;      // why the file keeps its name, or a remark
  bool Fails = false;
  // A folder's row ahead of its files: From is the folder, Note how its tag texts are read.
  bool Heading = false;
};

// The rows of a run as it reports them: every file, or only those that keep their names.
// A folder's code-page reading goes ahead of the folder's first row.
class TPlanRecorder {
 public:
  explicit TPlanRecorder(bool failuresOnly) : FailuresOnly_(failuresOnly) {}
  void Folder(const std::string& folder, const std::string& text);
  void File(const engine::TFileOutcome& outcome);

  std::vector<TPlanRow> Rows;
  size_t Files = 0, Failures = 0;  // heading rows not counted

 private:
  bool FailuresOnly_;
  std::optional<TPlanRow> Heading_;  // until the folder's first row is taken
};

// Rows are decoded only when a view shows them, so that a plan of 100,000 files opens at once.
class TPlanModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  enum TColumn { colFrom, colTo, colNote, kColumns };

  TPlanModel(QStringList headers, QObject* parent = nullptr);
  void SetRows(std::vector<TPlanRow> rows);
  const std::vector<TPlanRow>& Rows() const { return Rows_; }
  size_t Failures() const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  QStringList Headers_;
  std::vector<TPlanRow> Rows_;
  QIcon FailIcon_, FolderIcon_;
};

class TDialogPlan : public QDialog {
  Q_OBJECT

 public:
  // okText: the caption of the button that makes the renames.
  TDialogPlan(const QString& caption, const QStringList& headers, const QString& okText,
              QWidget* parent = nullptr);

  // Fills the table and sizes its columns: every remark whole (it says why, and its advice
  // is at its end), the names sharing what is left; the dialog grows to hold them, up to the
  // screen's width.
  void SetRows(std::vector<TPlanRow> rows);
  // A table that only reports: one button that closes it.
  void ReportOnly();

  TPlanModel* Model = nullptr;
  QLabel* LabelSummary = nullptr;
  QTableView* TablePlan = nullptr;
  QPushButton* ButtonOK = nullptr;
  QPushButton* ButtonCancel = nullptr;
};

}  // namespace tunaro::ui
