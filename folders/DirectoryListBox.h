#pragma once
// The directory list of the folder dialog: the path of the shown folder as a small tree
// from "/" down, followed by the folder's visible subfolders. A double click opens a line;
// a single click or the keys only highlight one. It never changes the process's current
// directory: relative names are taken relative to the folder it shows.
#include <QAbstractListModel>
#include <QIcon>
#include <QListView>
#include <array>
#include <map>
#include <string>
#include <vector>

#include "folders/PictureLineDelegate.h"

class QLabel;

namespace trawlix {

enum class TFolderPicture { Open, Current, Closed };

struct TDirectoryLine {
  std::string name;
  TFolderPicture picture;
  int indent;  // pixels from the left edge to the picture
};

// The browser's message for a folder that cannot be entered ("File not found" for ENOENT).
std::string EnterFolderErrorText(int errorNumber);

class TDirectoryLinesModel : public QAbstractListModel {
  Q_OBJECT
 public:
  explicit TDirectoryLinesModel(QObject* parent = nullptr);
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  const std::vector<TDirectoryLine>& Lines() const { return lines_; }
  void SetLines(std::vector<TDirectoryLine> lines);

 private:
  std::vector<TDirectoryLine> lines_;
  // One per TFolderPicture, made once: every paint asks for them.
  std::array<QIcon, 3> pictures_;
};

class TDirectoryListBox : public QListView {
  Q_OBJECT
 public:
  // Shows the process's current directory.
  explicit TDirectoryListBox(QWidget* parent = nullptr);

  const std::string& CurrentDir() const { return currentDir_; }
  // Moves to path (relative to CurrentDir unless absolute; "." and ".." resolved).
  // Throws EInOutError when the folder cannot be entered; then nothing changes.
  void SetCurrentDir(const std::string& path);

  // The mount point that holds CurrentDir, among those given by SetMountPoints.
  std::string CurrentDrive() const;
  // Moves to the folder last shown on that mount point, else to the mount point itself.
  void SetCurrentDrive(const std::string& mountPoint);
  void SetMountPoints(std::vector<std::string> mountPoints);

  // The label that shows CurrentDir, shortened to its width.
  void SetDirLabel(QLabel* label);

  int LineCount() const { return static_cast<int>(model_->Lines().size()); }
  const TDirectoryLine& Line(int line) const { return model_->Lines()[static_cast<size_t>(line)]; }
  // The folder a line stands for.
  std::string LinePath(int line) const;
  // What a double click on the line does: CurrentDir becomes its path.
  void OpenLine(int line);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowFolder(std::string folder, const std::vector<std::string>& subfolders);
  void UpdateDirLabel();

  TDirectoryLinesModel* model_;
  std::string currentDir_;
  std::vector<std::string> mountPoints_;
  std::map<std::string, std::string> lastFolderOnDrive_;
  QLabel* dirLabel_ = nullptr;
};

}  // namespace trawlix
