#include "folders/FoldersCommand.h"

#include "folders/frmfoldersunit.h"
#include "widgets/StringListBox.h"

namespace trawlix {

void RunFoldersCommand(TStringListBox& mainList) {
  frmFolders->lstFolders->SetItems(mainList.Items());
  if (frmFolders->exec() != QDialog::Accepted) return;
  // One reset of the model: the main list is drawn once, with all its entries.
  mainList.SetItems(frmFolders->lstFolders->Items());
}

}  // namespace trawlix
