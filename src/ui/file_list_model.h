// The check list's model over the engine's found-file list: one row per entry, the path as
// its text and the entry's check mark as its check state. The list is never copied.
#pragma once

#include <QAbstractListModel>

#include "engine/file_list.h"

namespace tunaro::ui {

class TFileListModel : public QAbstractListModel, public engine::TFileListObserver {
  Q_OBJECT

 public:
  explicit TFileListModel(engine::TFileList& list, QObject* parent = nullptr);
  ~TFileListModel() override;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Announces the entries appended since the last call to the views, in one batch: a scan
  // appends far faster than a view can follow row by row.
  void Flush();
  static constexpr int kRowHeight = 12;
  // Rows are kRowHeight high, or as high as the style's check box where that is taller.
  void SetRowHeight(int height) { RowHeight_ = height; }
  int RowHeight() const { return RowHeight_; }

  // Rows the views know of; the list may hold more until the next Flush.
  int PublishedRows() const { return Published_; }

  // The path as the user reads it. The bytes stay in the list; only the display decodes.
  static QString DisplayText(const std::string& path);

  // engine::TFileListObserver
  void ListCleared() override;
  void EntryAppended(size_t index) override;
  void ChecksChanged(size_t first, size_t last) override;

 private:
  engine::TFileList& List_;
  int Published_ = 0;
  int RowHeight_ = kRowHeight;
};

}  // namespace tunaro::ui
