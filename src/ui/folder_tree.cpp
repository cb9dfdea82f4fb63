#include "ui/folder_tree.h"

#include <QFile>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QKeyEvent>

namespace tunaro::ui {

TShellTreeView::TShellTreeView(QWidget* parent) : QTreeView(parent) {
  Model_ = new QFileSystemModel(this);
  // The tree is a snapshot: it does not follow changes on disk while the program runs.
  Model_->setOption(QFileSystemModel::DontWatchForChanges, true);
  Model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
  Model_->setReadOnly(true);
  // The model's own provider asks only the desktop's icon theme, which a bare X session does
  // not have; this one falls back to the style's folder and drive icons, as the file dialog
  // does. It outlives every model, whose background thread may still ask it.
  static QFileIconProvider iconProvider;
  Model_->setIconProvider(&iconProvider);
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
  // Loading and sorting move the rows after the selection was made; until the user takes
  // over, the view follows the selected folder.
  auto follow = [this] {
    if (Follow_ && currentIndex().isValid()) scrollTo(currentIndex());
  };
  connect(Model_, &QFileSystemModel::directoryLoaded, this, follow);
  connect(Model_, &QAbstractItemModel::layoutChanged, this, follow);
  connect(Model_, &QAbstractItemModel::rowsInserted, this, follow);

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
  Follow_ = true;
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

namespace tunaro::ui {

bool TShellTreeView::viewportEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
      Follow_ = false;
      break;
    default:
      break;
  }
  return QTreeView::viewportEvent(event);
}

void TShellTreeView::keyPressEvent(QKeyEvent* event) {
  Follow_ = false;
  QTreeView::keyPressEvent(event);
}

}  // namespace tunaro::ui
