#include "ui/folder_tree.h"

#include <QFile>
#include <QFileSystemModel>
#include <QHeaderView>

namespace tunaro::ui {

TShellTreeView::TShellTreeView(QWidget* parent) : QTreeView(parent) {
  Model_ = new QFileSystemModel(this);
  // The tree is a snapshot: it does not follow changes on disk while the program runs.
  Model_->setOption(QFileSystemModel::DontWatchForChanges, true);
  Model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  Model_->setReadOnly(true);
  Model_->setRootPath(QStringLiteral("/"));
  setModel(Model_);
  for (int column = 1; column < Model_->columnCount(); ++column) hideColumn(column);
  header()->hide();
  setSortingEnabled(true);
  sortByColumn(0, Qt::AscendingOrder);
  setIndentation(19);
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHeaderHidden(true);
  // The selected folder stays marked while the focus is elsewhere.
  QPalette p = palette();
  p.setColor(QPalette::Inactive, QPalette::Highlight,
             p.color(QPalette::Active, QPalette::Highlight));
  p.setColor(QPalette::Inactive, QPalette::HighlightedText,
             p.color(QPalette::Active, QPalette::HighlightedText));
  setPalette(p);
  expand(Model_->index(QStringLiteral("/")));

  // The folders load in the background: keep the selected one in sight as its parents fill.
  connect(Model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& folder) {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return;
    const QString selected = Model_->filePath(current);
    if (selected.startsWith(folder) && selected != folder) scrollTo(current);
  });

  ChangeTimer_.setSingleShot(true);
  ChangeTimer_.setInterval(kChangeDelayMs);
  connect(&ChangeTimer_, &QTimer::timeout, this, &TShellTreeView::Change);
}

std::string TShellTreeView::Path() const {
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return {};
  return QFile::encodeName(Model_->filePath(current)).toStdString();
}

bool TShellTreeView::SelectFolder(const std::string& path) {
  const QModelIndex index = Model_->index(QFile::decodeName(QByteArray::fromStdString(path)));
  if (!index.isValid()) return false;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) expand(up);
  ChangeTimer_.stop();
  Quiet_ = true;
  setCurrentIndex(index);
  Quiet_ = false;
  scrollTo(index);
  return true;
}

void TShellTreeView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTreeView::currentChanged(current, previous);
  // Setting up the view moves the current index from nothing to nothing: no change.
  if (Quiet_ || current == previous) return;
  ChangeTimer_.start();  // restarts: only a selection that rests is reported
}

}  // namespace tunaro::ui
