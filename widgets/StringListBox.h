#pragma once
// A list box of byte strings (folder paths): the entries stay bytes, the screen shows
// them decoded. Single selection, unsorted, no horizontal scrolling.
#include <QAbstractListModel>
#include <QListView>

#include "util/StringList.h"

namespace trawlix {

class TStringListModel : public QAbstractListModel {
  Q_OBJECT
 public:
  using QAbstractListModel::QAbstractListModel;
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  const TStringList& Items() const { return items_; }
  void SetItems(TStringList items);
  void Append(const std::string& item);
  void Remove(int row);

 private:
  TStringList items_;
};

class TStringListBox : public QListView {
  Q_OBJECT
 public:
  explicit TStringListBox(QWidget* parent = nullptr);

  const TStringList& Items() const { return model_->Items(); }
  int Count() const { return static_cast<int>(Items().size()); }
  const std::string& Item(int i) const { return Items()[static_cast<size_t>(i)]; }
  void SetItems(TStringList items) { model_->SetItems(std::move(items)); }
  void Append(const std::string& item) { model_->Append(item); }
  void Remove(int row) { model_->Remove(row); }
  void Clear() { model_->SetItems({}); }
  // The selected row, or -1.
  int ItemIndex() const;
  void SetItemIndex(int row);

 private:
  TStringListModel* model_;
};

}  // namespace trawlix
