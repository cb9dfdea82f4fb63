// The folder tree: the file system's folders (no files, no hidden folders) with the system's
// icons, rooted at "/". A change of selection is reported once it has rested for 50 ms, so
// that running through the tree with the arrow keys does not scan every folder on the way.
#pragma once

#include <QAbstractItemModel>
#include <QIcon>
#include <QTimer>
#include <QTreeView>
#include <memory>
#include <string>
#include <vector>

namespace tunaro::ui {

// The folders as the file system's bytes: a folder whose name is not UTF-8 (a GBK name copied
// from an old Windows system) is reached like any other, and only what the tree shows is
// decoded. A folder is listed when it is first opened; the tree is a snapshot after that.
class TFolderModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit TFolderModel(QObject* parent = nullptr);
  ~TFolderModel() override;

  QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

  // The folder's path, "/" for the root; empty for an invalid index.
  std::string Path(const QModelIndex& index) const;
  // The folder of an absolute path, its parents listed on the way; a folder the listing left
  // out (a hidden one, named on the command line) is added. Invalid when no folder is there.
  QModelIndex IndexOf(const std::string& path);

 private:
  struct TNode;
  TNode* NodeOf(const QModelIndex& index) const;
  QModelIndex IndexOfNode(TNode* node) const;
  void List(TNode* node);

  std::unique_ptr<TNode> Top_;  // holds the one top-level row, "/"
  QIcon FolderIcon_, DriveIcon_;
};

class TShellTreeView : public QTreeView {
  Q_OBJECT

 public:
  explicit TShellTreeView(QWidget* parent = nullptr);

  // The file-system path of the selected folder, as the file system's bytes; empty when
  // nothing is selected.
  std::string Path() const;
  // Selects the folder, opening the tree down to it, without reporting a change. False
  // when the folder is not in the tree.
  bool SelectFolder(const std::string& path);

  static constexpr int kChangeDelayMs = 50;

 signals:
  void Change();

 protected:
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  void showEvent(QShowEvent* event) override;

 private:
  TFolderModel* Model_ = nullptr;
  QTimer ChangeTimer_;
  bool Quiet_ = false;
};

}  // namespace tunaro::ui
