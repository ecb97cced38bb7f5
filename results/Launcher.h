#pragma once
// Opening a file in the desktop's plain-text editor and showing it in its file browser.
// Programs are started detached, with the path as one argument; failures are silent.
#include <cstdint>
#include <string>

namespace trawlix {

// The default application for text/plain (whatever the file's extension), else the first
// installed of a few graphical text editors, else xdg-open. An editor known to take a line
// number (AddLineArguments) opens at `line`, counting from 1. Returns at once: the default
// is asked for in the background and the editor starts from the event loop.
void OpenInEditor(const std::string& path, int64_t line);

// The folder text for a match's file: `path` itself when it names a folder, else `path`
// up to and including its last "/", or empty when it has none.
std::string ContainingFolder(const std::string& path);

// Asks the desktop's file manager to show `path` selected in its folder (a folder: to
// open it); where none can be asked or none answers, runs xdg-open on
// ContainingFolder(path). Returns at once.
void OpenContainingFolder(const std::string& path);

}  // namespace trawlix
