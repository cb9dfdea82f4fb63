// The folder tree: the file system's folders (no files, no hidden folders) with the system's
// icons, rooted at "/". A change of selection is reported once it has rested for 50 ms, so
// that running through the tree with the arrow keys does not scan every folder on the way.
#pragma once

#include <QTimer>
#include <QTreeView>
#include <string>

class QFileSystemModel;

namespace tunaro::ui {

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
  bool viewportEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QFileSystemModel* Model_ = nullptr;
  QTimer ChangeTimer_;
  bool Quiet_ = false;
  bool Follow_ = false;  // keep the selected folder in sight while the tree loads
};

}  // namespace tunaro::ui
