#pragma once
// The main window's Folders command: the folder dialog edits a copy of the main window's
// folder list, which takes the dialog's list back only when the dialog ends with Ok.

namespace trawlix {

class TStringListBox;

void RunFoldersCommand(TStringListBox& mainList);

}  // namespace trawlix
