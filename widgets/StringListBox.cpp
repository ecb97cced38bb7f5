#include "widgets/StringListBox.h"

#include "widgets/ScreenText.h"

namespace trawlix {

int TStringListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

QVariant TStringListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  return ScreenText(items_[static_cast<size_t>(index.row())]);
}

void TStringListModel::SetItems(TStringList items) {
  beginResetModel();
  items_ = std::move(items);
  endResetModel();
}

void TStringListModel::Append(const std::string& item) {
  const int row = static_cast<int>(items_.size());
  beginInsertRows({}, row, row);
  items_.push_back(item);
  endInsertRows();
}

void TStringListModel::Remove(int row) {
  beginRemoveRows({}, row, row);
  items_.erase(items_.begin() + row);
  endRemoveRows();
}

TStringListBox::TStringListBox(QWidget* parent)
    : QListView(parent), model_(new TStringListModel(this)) {
  setModel(model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setTextElideMode(Qt::ElideNone);
}

int TStringListBox::ItemIndex() const {
  const QModelIndex current = selectionModel()->currentIndex();
  return selectionModel()->isSelected(current) ? current.row() : -1;
}

void TStringListBox::SetItemIndex(int row) {
  if (row < 0) {
    selectionModel()->clearSelection();
    return;
  }
  setCurrentIndex(model_->index(row));
}

}  // namespace trawlix
