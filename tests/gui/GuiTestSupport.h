#pragma once
// Shared by the window tests: temporary folder trees, and acting on a modal window from
// inside its exec() (or on any state reached while a search run lets events run).
#include <stdlib.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "app/StartUp.h"
#include "app/frmmainunit.h"

namespace trawlix {

// A fresh folder under the temporary directory, removed with everything in it.
class TTempTree {
 public:
  TTempTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trawlix-gui-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern;
  }
  ~TTempTree() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TTempTree(const TTempTree&) = delete;
  TTempTree& operator=(const TTempTree&) = delete;

  const std::string& Root() const { return root_; }
  std::string Path(std::string_view relative) const { return root_ + "/" + std::string(relative); }

  // Creates the folder (and its parents); returns its absolute path.
  std::string Folder(std::string_view relative) const {
    const std::string path = Path(relative);
    std::filesystem::create_directories(path);
    return path;
  }
  // Creates the file with exactly these bytes (and its folders); returns its absolute path.
  std::string File(std::string_view relative, std::string_view bytes) const {
    const std::string path = Path(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

 private:
  std::string root_;
};

// Whether the window's centre lies on the owner's (give or take the window frames, which
// the window system adds only once a window is shown).
inline bool CentredOver(const QWidget& window, const QWidget& owner) {
  return (window.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength() <= 8;
}

// Calls `act` at every turn of the event loop (every time a search run lets events run,
// and inside modal windows) until it returns true, or until the watcher is destroyed.
class TEventWatcher {
 public:
  explicit TEventWatcher(std::function<bool()> act) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (act_()) timer_.stop();
    });
    timer_.start(0);
  }
  bool Done() const { return !timer_.isActive(); }

 private:
  std::function<bool()> act_;
  QTimer timer_;
};

// Calls `act` with the modal window once one is shown (from inside its exec()), once.
// `act` is expected to close it.
class TModalWatcher : public TEventWatcher {
 public:
  explicit TModalWatcher(std::function<void(QWidget*)> act)
      : TEventWatcher([act = std::move(act)] {
          QWidget* modal = QApplication::activeModalWidget();
          if (!modal || !modal->isVisible()) return false;
          act(modal);
          return true;
        }) {}
};

// Reads the message box that opens modally next, and closes it with its OK button.
class TMessageBoxReader : public TModalWatcher {
 public:
  TMessageBoxReader()
      : TModalWatcher([this](QWidget* window) {
          auto* box = qobject_cast<QMessageBox*>(window);
          if (!box) {
            window->close();
            return;
          }
          seen = true;
          title = box->windowTitle();
          text = box->text();
          icon = box->icon();
          buttons = box->buttons().size();
          box->accept();
        }) {}
  bool seen = false;
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  qsizetype buttons = 0;
};

// The program's windows as at start-up, with the main window shown.
inline bool StartWindows() {
  CreateWindows();
  frmMain->show();
  return QTest::qWaitForWindowExposed(frmMain);
}

}  // namespace trawlix
