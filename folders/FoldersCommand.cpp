#include "folders/FoldersCommand.h"

#include "app/StringListBox.h"
#include "folders/frmfoldersunit.h"
#include "util/lists.h"

void RunFoldersCommand(TStringListBox& mainList) {
  TStringList folders;
  AppendStrings(mainList.Items(), folders, true);
  frmFolders->lstFolders->SetItems(std::move(folders));
  if (frmFolders->exec() != QDialog::Accepted) return;
  // One reset of the model: the main list is drawn once, with all its entries.
  mainList.SetItems(frmFolders->lstFolders->Items());
}
