#pragma once
// Start-up: whether windows can be shown at all, and the program's four windows, created
// in their fixed order and each reached through its single global instance.

namespace trawlix {

// Whether a display is there to show windows on (X11, Wayland, or a chosen Qt platform).
bool DisplayAvailable();
// Printed instead of a toolkit error when there is no display.
extern const char* const NoDisplayMessage;

// frmMain, frmFolders, frmResults, frmStatus, in this order; none of them shown.
void CreateWindows();
// Releases the four windows and clears their globals.
void DestroyWindows();

}  // namespace trawlix
