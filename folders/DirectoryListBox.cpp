#include "folders/DirectoryListBox.h"

#include <fcntl.h>
#include <unistd.h>

#include <QEvent>
#include <QLabel>
#include <algorithm>
#include <cerrno>

#include "folders/DriveList.h"
#include "folders/FitPathToWidth.h"
#include "folders/PictureLineDelegate.h"
#include "util/FileDescriptor.h"
#include "util/FolderPaths.h"
#include "util/errors.h"
#include "util/files.h"
#include "util/text.h"
#include "widgets/ErrorReport.h"
#include "widgets/Pictures.h"
#include "widgets/ScreenText.h"

namespace trawlix {

namespace {

QIcon FolderPicture(TFolderPicture picture) {
  switch (picture) {
    case TFolderPicture::Open:
      return Picture(":/icons/folder-open.svg", QStyle::SP_DirOpenIcon);
    case TFolderPicture::Current:
      return Picture(":/icons/folder-current.svg", QStyle::SP_DirOpenIcon);
    case TFolderPicture::Closed:
      break;
  }
  return Picture(":/icons/folder-closed.svg", QStyle::SP_DirClosedIcon);
}

// 0 when the folder can be opened, listed and entered; else the system's error number.
int EnterError(const std::string& folder) {
  const TFileDescriptor fd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.Valid()) return errno;
  return access(folder.c_str(), X_OK) == 0 ? 0 : errno;
}

// The visible subfolders (links to folders count), sorted without regard to ASCII case,
// equal names in byte order.
std::vector<std::string> VisibleSubfolders(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> keyed;
  TFolderHandle(folder).ForEachEntry([&](std::string_view name, TFolderHandle::EntryKind kind) {
    if (kind == TFolderHandle::EntryKind::Folder && !name.starts_with('.'))
      keyed.emplace_back(UpperCase(name), std::string(name));
  });
  std::sort(keyed.begin(), keyed.end());
  std::vector<std::string> names;
  names.reserve(keyed.size());
  for (auto& entry : keyed) names.push_back(std::move(entry.second));
  return names;
}

std::vector<std::string> PathParts(const std::string& folder) {
  std::vector<std::string> parts;
  size_t start = 1;
  while (start < folder.size()) {
    const size_t slash = std::min(folder.find('/', start), folder.size());
    parts.push_back(folder.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

}  // namespace

std::string EnterFolderErrorText(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
      return "File not found";
    case ENOTDIR:
    case ENAMETOOLONG:
      return "Invalid filename";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case EACCES:
    case EPERM:
      return "File access denied";
    default:
      return "I/O error " + std::to_string(errorNumber);
  }
}

TDirectoryLinesModel::TDirectoryLinesModel(QObject* parent)
    : QAbstractListModel(parent),
      pictures_{FolderPicture(TFolderPicture::Open), FolderPicture(TFolderPicture::Current),
                FolderPicture(TFolderPicture::Closed)} {}

int TDirectoryLinesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(lines_.size());
}

QVariant TDirectoryLinesModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const TDirectoryLine& line = lines_[static_cast<size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      return ScreenText(line.name);
    case Qt::DecorationRole:
      return pictures_[static_cast<size_t>(line.picture)];
    case PictureIndentRole:
      return line.indent;
    default:
      return {};
  }
}

void TDirectoryLinesModel::SetLines(std::vector<TDirectoryLine> lines) {
  beginResetModel();
  lines_ = std::move(lines);
  endResetModel();
}

TDirectoryListBox::TDirectoryListBox(QWidget* parent)
    : QListView(parent), model_(new TDirectoryLinesModel(this)) {
  setModel(model_);
  setItemDelegate(new TPictureLineDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Enter is left to the dialog's default button; only a double click opens a line.
  connect(this, &QAbstractItemView::doubleClicked, this,
          Guarded([this](const QModelIndex& index) { OpenLine(index.row()); }));
  const std::string start = CurrentDirectory().value_or("/");
  ShowFolder(start, EnterError(start) == 0 ? VisibleSubfolders(start) : std::vector<std::string>());
}

void TDirectoryListBox::SetCurrentDir(const std::string& path) {
  if (path.empty() || path == currentDir_) return;
  // Resolved by name, as a shell's cd does: a folder reached through a link keeps the
  // link in its path, so the list and the added entries show what the user opened.
  std::string folder = NormalisePath(currentDir_, path);
  if (const int error = EnterError(folder)) throw EInOutError(EnterFolderErrorText(error));
  const std::vector<std::string> subfolders = VisibleSubfolders(folder);
  ShowFolder(std::move(folder), subfolders);
}

std::string TDirectoryListBox::CurrentDrive() const {
  return MountPointOf(currentDir_, mountPoints_);
}

void TDirectoryListBox::SetCurrentDrive(const std::string& mountPoint) {
  if (mountPoint.empty() || mountPoint == CurrentDrive()) return;
  const auto last = lastFolderOnDrive_.find(mountPoint);
  if (last != lastFolderOnDrive_.end()) {
    try {
      SetCurrentDir(last->second);
      return;
    } catch (const EInOutError&) {
      // The folder last shown there has gone since: the drive's own root still serves.
    }
  }
  SetCurrentDir(mountPoint);
}

void TDirectoryListBox::SetMountPoints(std::vector<std::string> mountPoints) {
  mountPoints_ = std::move(mountPoints);
  lastFolderOnDrive_.clear();
  lastFolderOnDrive_[CurrentDrive()] = currentDir_;
}

void TDirectoryListBox::SetDirLabel(QLabel* label) {
  if (dirLabel_) dirLabel_->removeEventFilter(this);
  dirLabel_ = label;
  if (dirLabel_) {
    dirLabel_->setTextFormat(Qt::PlainText);  // a folder may be called "<b>"
    dirLabel_->installEventFilter(this);
  }
  UpdateDirLabel();
}

std::string TDirectoryListBox::LinePath(int line) const {
  const std::vector<std::string> parts = PathParts(currentDir_);
  const int pathLines = static_cast<int>(parts.size()) + 1;
  if (line >= pathLines) return ChildPath(currentDir_, Line(line).name);
  std::string path;
  for (int i = 0; i < line; ++i) path += "/" + parts[static_cast<size_t>(i)];
  return path.empty() ? "/" : path;
}

void TDirectoryListBox::OpenLine(int line) {
  if (line >= 0 && line < LineCount()) SetCurrentDir(LinePath(line));
}

bool TDirectoryListBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == dirLabel_ &&
      (event->type() == QEvent::Resize || event->type() == QEvent::FontChange))
    UpdateDirLabel();
  return QListView::eventFilter(watched, event);
}

void TDirectoryListBox::ShowFolder(std::string folder, const std::vector<std::string>& subfolders) {
  const std::vector<std::string> parts = PathParts(folder);
  std::vector<TDirectoryLine> lines;
  lines.reserve(parts.size() + 1 + subfolders.size());
  lines.push_back({"/", parts.empty() ? TFolderPicture::Current : TFolderPicture::Open, 2});
  for (size_t i = 0; i < parts.size(); ++i) {
    const bool current = i + 1 == parts.size();
    lines.push_back({parts[i], current ? TFolderPicture::Current : TFolderPicture::Open,
                     static_cast<int>(i + 1) * 4 + 2});
  }
  const int subfolderIndent =
      static_cast<int>(std::count(folder.begin(), folder.end(), '/')) * 4 + 6;
  for (const std::string& name : subfolders)
    lines.push_back({name, TFolderPicture::Closed, subfolderIndent});

  currentDir_ = std::move(folder);
  model_->SetLines(std::move(lines));
  setCurrentIndex(model_->index(static_cast<int>(parts.size())));
  lastFolderOnDrive_[CurrentDrive()] = currentDir_;
  UpdateDirLabel();
}

void TDirectoryListBox::UpdateDirLabel() {
  if (!dirLabel_) return;
  const QFontMetrics metrics = dirLabel_->fontMetrics();
  const int width = dirLabel_->contentsRect().width() - 2 * dirLabel_->margin();
  dirLabel_->setText(ScreenText(FitPathToWidth(currentDir_, width, [&](const std::string& text) {
    return metrics.horizontalAdvance(ScreenText(text));
  })));
}

}  // namespace trawlix
