#include "folders/frmfoldersunit.h"

TfrmFolders* frmFolders = nullptr;

TfrmFolders::TfrmFolders(QWidget* parent) : QDialog(parent), lstFolders(new TStringListBox(this)) {
  setWindowTitle("Select Folders");
}
