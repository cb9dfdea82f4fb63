#include "ui/folder_tree.h"

#include <QCollator>
#include <QFileIconProvider>
#include <QHeaderView>
#include <algorithm>

#include "platform/fs.h"
#include "ui/file_list_model.h"

namespace tunaro::ui {

struct TFolderModel::TNode {
  std::string Name;  // the file system's bytes; "/" for the root folder
  QString Shown;
  TNode* Parent = nullptr;
  int Row = 0;
  bool Listed = false;
  std::vector<std::unique_ptr<TNode>> Children;
};

namespace {

// As a file manager orders names: letter case ignored, numbers by their value.
bool ShownBefore(const QCollator& collator, const std::string& aName, const QString& a,
                 const std::string& bName, const QString& b) {
  const int order = collator.compare(a, b);
  return order != 0 ? order < 0 : aName < bName;
}

QCollator NameCollator() {
  QCollator collator;
  collator.setNumericMode(true);
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  return collator;
}

}  // namespace

TFolderModel::TFolderModel(QObject* parent) : QAbstractItemModel(parent), Top_(new TNode) {
  // The provider asks the desktop's icon theme and falls back to the style's folder and drive
  // icons where a bare X session has no theme, as the file dialog does.
  const QFileIconProvider icons;
  FolderIcon_ = icons.icon(QFileIconProvider::Folder);
  DriveIcon_ = icons.icon(QFileIconProvider::Drive);
  auto root = std::make_unique<TNode>();
  root->Name = "/";
  root->Shown = QStringLiteral("/");
  root->Parent = Top_.get();
  Top_->Children.push_back(std::move(root));
  Top_->Listed = true;
}

TFolderModel::~TFolderModel() = default;

TFolderModel::TNode* TFolderModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<TNode*>(index.internalPointer()) : Top_.get();
}

QModelIndex TFolderModel::IndexOfNode(TNode* node) const {
  return node == Top_.get() ? QModelIndex() : createIndex(node->Row, 0, node);
}

QModelIndex TFolderModel::index(int row, int column, const QModelIndex& parent) const {
  const TNode* node = NodeOf(parent);
  if (row < 0 || column != 0 || static_cast<size_t>(row) >= node->Children.size()) return {};
  return createIndex(row, column, node->Children[static_cast<size_t>(row)].get());
}

QModelIndex TFolderModel::parent(const QModelIndex& child) const {
  if (!child.isValid()) return {};
  return IndexOfNode(NodeOf(child)->Parent);
}

int TFolderModel::rowCount(const QModelIndex& parent) const {
  return static_cast<int>(NodeOf(parent)->Children.size());
}

int TFolderModel::columnCount(const QModelIndex&) const {
  return 1;
}

QVariant TFolderModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const TNode* node = NodeOf(index);
  switch (role) {
    case Qt::DisplayRole:
      return node->Shown;
    case Qt::DecorationRole:
      return node->Name == "/" ? DriveIcon_ : FolderIcon_;
    default:
      return {};
  }
}

Qt::ItemFlags TFolderModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// A folder not yet opened may have subfolders: listing each shown folder to know would read
// every folder the tree shows.
bool TFolderModel::hasChildren(const QModelIndex& parent) const {
  const TNode* node = NodeOf(parent);
  return !node->Listed || !node->Children.empty();
}

bool TFolderModel::canFetchMore(const QModelIndex& parent) const {
  return !NodeOf(parent)->Listed;
}

void TFolderModel::fetchMore(const QModelIndex& parent) {
  List(NodeOf(parent));
}

std::string TFolderModel::Path(const QModelIndex& index) const {
  if (!index.isValid()) return {};
  std::vector<const TNode*> chain;
  for (const TNode* node = NodeOf(index); node != Top_.get(); node = node->Parent)
    chain.push_back(node);
  std::string path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty() && path.back() != '/') path += '/';
    path += (*it)->Name;
  }
  return path;
}

void TFolderModel::List(TNode* node) {
  if (node->Listed) return;
  node->Listed = true;
  std::vector<std::unique_ptr<TNode>> children;
  platform::TDirReader reader;
  if (reader.Open(Path(IndexOfNode(node)))) {
    platform::TDirEntry entry;
    while (reader.Next(entry)) {
      if (entry.Kind != platform::TEntryKind::Directory || entry.Name.starts_with('.')) continue;
      auto child = std::make_unique<TNode>();
      child->Name = entry.Name;
      child->Shown = TFileListModel::DisplayText(child->Name);
      child->Parent = node;
      children.push_back(std::move(child));
    }
  }
  const QCollator collator = NameCollator();
  std::sort(children.begin(), children.end(), [&](const auto& a, const auto& b) {
    return ShownBefore(collator, a->Name, a->Shown, b->Name, b->Shown);
  });
  const QModelIndex at = IndexOfNode(node);
  if (children.empty()) {
    emit dataChanged(at, at);  // the view drops the branch's expander
    return;
  }
  beginInsertRows(at, 0, static_cast<int>(children.size()) - 1);
  node->Children = std::move(children);
  for (size_t i = 0; i < node->Children.size(); ++i) node->Children[i]->Row = static_cast<int>(i);
  endInsertRows();
}

QModelIndex TFolderModel::IndexOf(const std::string& path) {
  if (path.empty() || path[0] != '/') return {};
  TNode* node = Top_->Children.front().get();
  const QCollator collator = NameCollator();
  for (size_t start = 1; start <= path.size();) {
    const size_t end = std::min(path.find('/', start), path.size());
    const std::string name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (node->Parent != Top_.get()) node = node->Parent;
      continue;
    }
    List(node);
    auto& children = node->Children;
    auto found = std::find_if(children.begin(), children.end(),
                              [&](const auto& child) { return child->Name == name; });
    if (found == children.end()) {
      std::string full = Path(IndexOfNode(node));
      if (full.back() != '/') full += '/';
      if (platform::FolderState(full + name) != 0) return {};
      auto child = std::make_unique<TNode>();
      child->Name = name;
      child->Shown = TFileListModel::DisplayText(name);
      child->Parent = node;
      found = std::lower_bound(children.begin(), children.end(), child, [&](auto& a, auto& b) {
        return ShownBefore(collator, a->Name, a->Shown, b->Name, b->Shown);
      });
      const int row = static_cast<int>(found - children.begin());
      beginInsertRows(IndexOfNode(node), row, row);
      found = children.insert(found, std::move(child));
      for (size_t i = static_cast<size_t>(row); i < children.size(); ++i)
        children[i]->Row = static_cast<int>(i);
      endInsertRows();
    }
    node = found->get();
  }
  return IndexOfNode(node);
}

TShellTreeView::TShellTreeView(QWidget* parent) : QTreeView(parent) {
  Model_ = new TFolderModel(this);
  setModel(Model_);
  header()->hide();
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
  expand(Model_->index(0, 0));

  ChangeTimer_.setSingleShot(true);
  ChangeTimer_.setInterval(kChangeDelayMs);
  connect(&ChangeTimer_, &QTimer::timeout, this, &TShellTreeView::Change);
}

std::string TShellTreeView::Path() const {
  return Model_->Path(currentIndex());
}

bool TShellTreeView::SelectFolder(const std::string& path) {
  const QModelIndex index = Model_->IndexOf(path);
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

// A folder selected before the tree had its size is brought into sight once it is shown.
void TShellTreeView::showEvent(QShowEvent* event) {
  QTreeView::showEvent(event);
  if (currentIndex().isValid()) scrollTo(currentIndex());
}

}  // namespace tunaro::ui
