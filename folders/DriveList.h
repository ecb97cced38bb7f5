#pragma once
// The drives that the drive box offers: the mounted volumes as Qt lists them, one entry
// per mount point, sorted, each with its text and kind.
#include <functional>
#include <string>
#include <vector>

#include "folders/DriveKind.h"

namespace trawlix {

// One mounted file system, its names as bytes.
struct TVolume {
  std::string mountPoint;
  std::string device;  // "/dev/sda2", "server:/export", "tmpfs"
  std::string fsType;
  std::string label;  // "" when none
};

// The system's mounted volumes as QStorageInfo lists them, in the order they were mounted
// (it leaves out those mounted under /dev, /proc and /sys, and those of no size).
std::vector<TVolume> MountedVolumes();

// What the drive list asks the system about a volume; tests put their own answers here.
struct TDriveProbe {
  std::function<bool(const std::string& device)> removable;
  std::function<bool(const std::string& mountPoint)> isFolder;
};
TDriveProbe SystemDriveProbe();

struct TDrive {
  std::string mountPoint;
  std::string text;  // "mountpoint [label]", or "mountpoint device" for a network share
  TDriveKind kind;
};

// The drives of the volumes, sorted by mount point. A mount point mounted twice is listed
// once, as its last mount (the one that hides the others); "/" is always listed.
std::vector<TDrive> ListDrives(const std::vector<TVolume>& volumes, const TDriveProbe& probe);

// The mount point that holds path: the longest one that path lies in; "/" if none does.
std::string MountPointOf(const std::string& path, const std::vector<std::string>& mountPoints);

}  // namespace trawlix
