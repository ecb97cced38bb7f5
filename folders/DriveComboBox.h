#pragma once
// The drive box of the folder dialog: the mounted file systems, each with the picture of
// its kind. Its current drive is a mount point; the box is not linked to the directory list.
#include <QComboBox>
#include <string>
#include <vector>

#include "folders/DriveList.h"

namespace trawlix {

class TDriveComboBox : public QComboBox {
  Q_OBJECT
 public:
  // Each entry's data (Qt::UserRole) is its TDriveKind.
  // Lists the system's drives; the current drive holds the process's current directory.
  explicit TDriveComboBox(QWidget* parent = nullptr);

  // Replaces the entries and selects the current drive again when it is still there.
  void Fill(std::vector<TDrive> drives);
  std::vector<std::string> MountPoints() const;

  const std::string& CurrentDrive() const { return currentDrive_; }
  // Selects the drive's entry and reports the change; the drive already current changes
  // nothing.
  void SetCurrentDrive(const std::string& mountPoint);

 signals:
  // The user or the program chose another drive.
  void Change();

 private:
  void SelectEntry(const std::string& mountPoint);

  std::vector<TDrive> drives_;
  std::string currentDrive_;
};

}  // namespace trawlix
