#include "ui/file_list_model.h"

#include <QFile>
#include <QSize>

#include <algorithm>
#include <string_view>

#include "platform/codec.h"

namespace tunaro::ui {

TFileListModel::TFileListModel(engine::TFileList& list, QObject* parent)
    : QAbstractListModel(parent), List_(list) {
  List_.SetObserver(this);
  Published_ = static_cast<int>(List_.Count());
}

TFileListModel::~TFileListModel() {
  List_.SetObserver(nullptr);
}

namespace {

// A name copied from an old Windows system is GBK more often than not: shown as GBK where its
// bytes are GBK exactly; anything else that is no UTF-8 shows what Qt cannot decode marked.
QString NameText(std::string_view name) {
  const auto size = static_cast<qsizetype>(name.size());
  if (platform::IsValidUtf8(name)) return QString::fromUtf8(name.data(), size);
  const std::string utf8 = platform::GbkToUtf8(name);
  if (platform::Utf8ToGbk(utf8) == name) return QString::fromStdString(utf8);
  return QFile::decodeName(QByteArray(name.data(), size));
}

}  // namespace

// Name by name: a GBK folder name sits among UTF-8 ones in one path.
QString TFileListModel::DisplayText(const std::string& path) {
  if (platform::IsValidUtf8(path)) return NameText(path);
  QString shown;
  for (size_t start = 0;;) {
    const size_t end = std::min(path.find('/', start), path.size());
    shown += NameText(std::string_view(path).substr(start, end - start));
    if (end == path.size()) return shown;
    shown += QLatin1Char('/');
    start = end + 1;
  }
}

int TFileListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Published_;
}

QVariant TFileListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Published_) return {};
  const auto row = static_cast<size_t>(index.row());
  // Views may ask between the list's change and the model's notice of it.
  if (row >= List_.Count()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return DisplayText(List_.Path(row));
    case Qt::CheckStateRole:
      return List_.Checked(row) ? Qt::Checked : Qt::Unchecked;
    case Qt::SizeHintRole:
      // Rows of a fixed height; the width is the list's own, since the list never scrolls
      // sideways.
      return QSize(0, RowHeight_);
    default:
      return {};
  }
}

bool TFileListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || !index.isValid() || index.row() >= Published_) return false;
  const auto row = static_cast<size_t>(index.row());
  if (row >= List_.Count()) return false;
  // The list tells this model of the change, which then tells the views.
  List_.SetChecked(row, value.value<Qt::CheckState>() == Qt::Checked);
  return true;
}

Qt::ItemFlags TFileListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
         Qt::ItemNeverHasChildren;
}

void TFileListModel::Flush() {
  const int count = static_cast<int>(List_.Count());
  if (count <= Published_) return;
  beginInsertRows(QModelIndex(), Published_, count - 1);
  Published_ = count;
  endInsertRows();
}

void TFileListModel::ListCleared() {
  beginResetModel();
  Published_ = 0;
  endResetModel();
}

void TFileListModel::EntryAppended(size_t) {}

void TFileListModel::ChecksChanged(size_t first, size_t last) {
  if (Published_ == 0 || first >= static_cast<size_t>(Published_)) return;
  const int lastRow = static_cast<int>(std::min(last, static_cast<size_t>(Published_ - 1)));
  emit dataChanged(index(static_cast<int>(first)), index(lastRow), {Qt::CheckStateRole});
}

}  // namespace tunaro::ui
