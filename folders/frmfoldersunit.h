#pragma once
// The folder selection dialog: browses drives and folders or takes a typed folder name,
// and builds the folder list that a search visits.
#include <QDialog>

#include "folders/DirectoryListBox.h"
#include "folders/DriveComboBox.h"
#include "widgets/StringListBox.h"

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QToolButton;

namespace trawlix {

class TfrmFolders : public QDialog {
  Q_OBJECT
 public:
  explicit TfrmFolders(QWidget* parent = nullptr);

  QGroupBox* GroupBox1;
  QLabel* lblDir;
  TDirectoryListBox* lstDirectory;
  TDriveComboBox* cboDrive;
  QGroupBox* GroupBox2;
  QToolButton* spdDropAll;
  QToolButton* spdDropOne;
  QToolButton* spdAddOne;
  QToolButton* spdAddAll;
  QToolButton* spdCLS;
  QPushButton* cmdOk;
  QPushButton* cmdCancel;
  QLineEdit* txtUNC;
  QPushButton* cmdUNC;
  QMenuBar* folderMenu;
  QMenu* Selection1;
  QAction* Clear1;
  QAction* AddAll1;
  QAction* AddOne1;
  QAction* RemoveOne1;
  QAction* RemoveAll1;
  // The folder list that a search visits: absolute folders as the file system spells them.
  TStringListBox* lstFolders;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu();
  void BuildNewFolderGroup();
  void BuildSelectedFoldersGroup();
  void BuildLayout();

  void spdCLSClick() { ClearFolders(); }
  void spdAddAllClick() { AddFolderTree(); }
  void spdAddOneClick() { AddFolder(); }
  void spdDropOneClick() { RemoveFolder(); }
  void spdDropAllClick() { RemoveFolderTree(); }
  void Clear1Click() { ClearFolders(); }
  void AddAll1Click() { AddFolderTree(); }
  void AddOne1Click() { AddFolder(); }
  void RemoveOne1Click() { RemoveFolder(); }
  void RemoveAll1Click() { RemoveFolderTree(); }
  void txtUNCChange();
  void cmdUNCClick();
  void cboDriveChange();

  void AddFolder();
  void AddFolderTree();
  void RemoveFolder();
  void RemoveFolderTree();
  void ClearFolders();
  void CollapseDuplicates();
  // Puts a whole new list in place at once; the highlighted entry stays when it is unchanged.
  void ReplaceFolders(TStringList folders);
};

extern TfrmFolders* frmFolders;

}  // namespace trawlix
