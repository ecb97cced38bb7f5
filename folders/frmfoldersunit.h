#pragma once
// The folder selection dialog: browses drives and folders or takes a typed folder name,
// and builds the folder list that a search visits.
#include <QDialog>

#include "app/StringListBox.h"

class TfrmFolders : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmFolders(QWidget* parent = nullptr);

  // The folder list that a search visits.
  TStringListBox* lstFolders;
};

extern TfrmFolders* frmFolders;
