#include "app/StartUp.h"

#include <cstdlib>

#include "app/frmmainunit.h"
#include "folders/frmfoldersunit.h"
#include "progress/frmstatusunit.h"
#include "results/frmresultsunit.h"

namespace trawlix {

namespace {

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

}  // namespace

bool DisplayAvailable() {
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM");
}

const char* const NoDisplayMessage =
    "trawlix: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
    "To search without windows, use trawlix-cli.\n";

void CreateWindows() {
  frmMain = new TfrmMain;
  // The other three belong to the main window: dialogs over it, released with it.
  frmFolders = new TfrmFolders(frmMain);
  frmResults = new TfrmResults(frmMain);
  frmStatus = new TfrmStatus(frmMain);
  QObject::connect(frmStatus, &TfrmStatus::CancelRequested, frmMain,
                   [] { frmMain->Cancelled = true; });
}

void DestroyWindows() {
  delete frmMain;
  frmMain = nullptr;
  frmFolders = nullptr;
  frmResults = nullptr;
  frmStatus = nullptr;
}

}  // namespace trawlix
