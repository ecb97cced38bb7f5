#pragma once
// The kind of a mounted file system, which the drive box shows as its picture and which
// Qt's list of volumes does not tell.
#include <string>
#include <string_view>

namespace trawlix {

enum class TDriveKind { Fixed, Removable, CdRom, Ram, Network };

// Network, CD and RAM by the file system's type; else removable where `removable` says
// its device is, else a fixed disk.
TDriveKind DriveKindOf(std::string_view fsType, bool removable);

// Whether the block device `device` (a path such as /dev/sdb1, links followed) is
// removable: its disk's flag in sysBlockDir (/sys/class/block).
bool IsRemovableDevice(const std::string& device,
                       const std::string& sysBlockDir = "/sys/class/block");

}  // namespace trawlix
