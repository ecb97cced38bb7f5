#pragma once
// Asking the desktop's file manager, over the session bus, to show a file: the freedesktop
// org.freedesktop.FileManager1 service, which Nautilus, Nemo, Dolphin and others provide.
#include <functional>
#include <string>

namespace trawlix {

// How long the file manager has to answer. The bus starts one that is not running, which
// can take seconds; giving up sooner would open the folder a second time.
inline constexpr int kFileManagerAnswerMs = 5000;

// Asks the file manager to open the folder `uri` (folder) or to open the folder of the
// file `uri` with the file selected (ShowFolders, ShowItems). Returns at once: nothing
// waits for the answer. `otherwise` runs when there is no session bus (at once), or from
// the event loop when the call fails or has no answer within kFileManagerAnswerMs.
void ShowInFileManager(const std::string& uri, bool folder, std::function<void()> otherwise);

}  // namespace trawlix
