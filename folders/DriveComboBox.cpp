#include "folders/DriveComboBox.h"

#include "folders/PictureLineDelegate.h"
#include "util/FolderPaths.h"
#include "widgets/ErrorReport.h"
#include "widgets/Pictures.h"
#include "widgets/ScreenText.h"

namespace trawlix {

namespace {

QIcon DrivePicture(TDriveKind kind) {
  switch (kind) {
    case TDriveKind::Removable:
      return Picture(":/icons/drive-removable.svg", QStyle::SP_DriveFDIcon);
    case TDriveKind::CdRom:
      return Picture(":/icons/drive-cdrom.svg", QStyle::SP_DriveCDIcon);
    case TDriveKind::Ram:
      return Picture(":/icons/drive-ram.svg", QStyle::SP_DriveHDIcon);
    case TDriveKind::Network:
      return Picture(":/icons/drive-network.svg", QStyle::SP_DriveNetIcon);
    case TDriveKind::Fixed:
      break;
  }
  return Picture(":/icons/drive-fixed.svg", QStyle::SP_DriveHDIcon);
}

}  // namespace

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  setItemDelegate(new TPictureLineDelegate(this));
  // Picking an entry, also the one already shown, goes through SetCurrentDrive.
  connect(this, &QComboBox::activated, this, Guarded([this](int index) {
            if (index >= 0 && index < static_cast<int>(drives_.size()))
              SetCurrentDrive(drives_[static_cast<size_t>(index)].mountPoint);
          }));
  Fill(ListDrives(MountedVolumes(), SystemDriveProbe()));
  currentDrive_ = MountPointOf(CurrentDirectory().value_or("/"), MountPoints());
  SelectEntry(currentDrive_);
}

void TDriveComboBox::Fill(std::vector<TDrive> drives) {
  drives_ = std::move(drives);
  {
    const QSignalBlocker quiet(this);
    clear();
    for (const TDrive& drive : drives_)
      addItem(DrivePicture(drive.kind), ScreenText(drive.text), static_cast<int>(drive.kind));
  }
  SelectEntry(currentDrive_);
}

std::vector<std::string> TDriveComboBox::MountPoints() const {
  std::vector<std::string> mountPoints;
  for (const TDrive& drive : drives_) mountPoints.push_back(drive.mountPoint);
  return mountPoints;
}

void TDriveComboBox::SetCurrentDrive(const std::string& mountPoint) {
  if (currentIndex() >= 0 && mountPoint == currentDrive_) return;
  currentDrive_ = mountPoint;
  SelectEntry(currentDrive_);
  emit Change();
}

void TDriveComboBox::SelectEntry(const std::string& mountPoint) {
  int entry = -1;
  for (size_t i = 0; i < drives_.size(); ++i) {
    if (drives_[i].mountPoint == mountPoint) entry = static_cast<int>(i);
  }
  const QSignalBlocker quiet(this);
  setCurrentIndex(entry);
}

}  // namespace trawlix
