#pragma once
// The mounted file systems that the drive box offers: read from the mounts table
// (/proc/self/mounts), pseudo file systems left out, one entry per mount point.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace trawlix {

enum class TDriveKind { Fixed, Removable, CdRom, Ram, Network };

struct TMountEntry {
  std::string source;
  std::string mountPoint;
  std::string fsType;
};

// The lines of a mounts table, with the octal escapes ("\040" for a blank) decoded.
std::vector<TMountEntry> ParseMounts(std::string_view text);

// What the drive list asks the system about a mount; tests put their own answers here.
struct TDriveProbe {
  std::function<std::string(const std::string& source)> label;  // "" when none
  std::function<bool(const std::string& source)> removable;
  std::function<bool(const std::string& mountPoint)> isFolder;
};

struct TDrive {
  std::string mountPoint;
  std::string text;  // "mountpoint [label]", or "mountpoint source" for a network share
  TDriveKind kind;
};

// The drives of a mounts table, sorted by mount point. A mount point mounted twice is
// listed once, as its last mount (the one that hides the others); "/" is always listed.
std::vector<TDrive> ListDrives(std::string_view mountsText, const TDriveProbe& probe);

// The system's mounts table and answers: labels from byLabelDir's links
// (/dev/disk/by-label), the removable flag from sysBlockDir (/sys/class/block).
std::string ReadMountsTable(const std::string& path = "/proc/self/mounts");
TDriveProbe SystemDriveProbe(const std::string& byLabelDir = "/dev/disk/by-label",
                             const std::string& sysBlockDir = "/sys/class/block");

// The mount point that holds path: the longest one that path lies in; "/" if none does.
std::string MountPointOf(const std::string& path, const std::vector<std::string>& mountPoints);

}  // namespace trawlix
