#include "folders/DriveList.h"

#include <QFile>
#include <QStorageInfo>
#include <map>

#include "util/FolderPaths.h"
#include "util/files.h"

namespace trawlix {

namespace {

std::string DriveText(const TVolume& volume, TDriveKind kind) {
  if (kind == TDriveKind::Network) return volume.mountPoint + ' ' + volume.device;
  return volume.mountPoint + " [" + volume.label + ']';
}

}  // namespace

std::vector<TVolume> MountedVolumes() {
  std::vector<TVolume> volumes;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    // Qt decodes mount points as UTF-8: one that is not comes without a path, invalid.
    if (!volume.isValid()) continue;
    volumes.push_back({QFile::encodeName(volume.rootPath()).toStdString(),
                       volume.device().toStdString(), volume.fileSystemType().toStdString(),
                       volume.name().toUtf8().toStdString()});
  }
  return volumes;
}

TDriveProbe SystemDriveProbe() {
  return {[](const std::string& device) { return IsRemovableDevice(device); }, &DirectoryExists};
}

std::vector<TDrive> ListDrives(const std::vector<TVolume>& volumes, const TDriveProbe& probe) {
  // A later mount on the same point hides the earlier ones.
  std::map<std::string, const TVolume*> byMountPoint;
  for (const TVolume& volume : volumes) byMountPoint.insert_or_assign(volume.mountPoint, &volume);
  std::vector<TDrive> drives;
  for (const auto& [mountPoint, volume] : byMountPoint) {
    // Files mounted over files (a container's /etc/hosts) cannot be browsed.
    if (mountPoint != "/" && !probe.isFolder(mountPoint)) continue;
    const TDriveKind kind = DriveKindOf(volume->fsType, probe.removable(volume->device));
    drives.push_back({mountPoint, DriveText(*volume, kind), kind});
  }
  if (!byMountPoint.contains("/")) drives.insert(drives.begin(), {"/", "/ []", TDriveKind::Fixed});
  return drives;
}

std::string MountPointOf(const std::string& path, const std::vector<std::string>& mountPoints) {
  std::string best = "/";
  for (const std::string& mountPoint : mountPoints) {
    if (mountPoint.size() > best.size() && PathIsIn(path, mountPoint)) best = mountPoint;
  }
  return best;
}

}  // namespace trawlix
