#include "folders/DriveKind.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <memory>

#include "util/FileDescriptor.h"
#include "util/FolderPaths.h"
#include "util/files.h"

namespace trawlix {

namespace {

constexpr std::array<std::string_view, 11> kNetworkTypes = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "afs", "ncpfs", "davfs"};

std::string RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
  return real ? std::string(real.get()) : std::string();
}

std::string ReadSmallFile(const std::string& path) {
  std::string text;
  const TFileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Valid()) ReadAll(fd.Get(), text);  // what could be read: the flag is advisory
  return text;
}

}  // namespace

TDriveKind DriveKindOf(std::string_view fsType, bool removable) {
  if (std::find(kNetworkTypes.begin(), kNetworkTypes.end(), fsType) != kNetworkTypes.end())
    return TDriveKind::Network;
  if (fsType == "iso9660" || fsType == "udf") return TDriveKind::CdRom;
  if (fsType == "tmpfs" || fsType == "ramfs") return TDriveKind::Ram;
  return removable ? TDriveKind::Removable : TDriveKind::Fixed;
}

// A partition's flag is its disk's: /sys/class/block/sdb1 lies in the folder of sdb.
bool IsRemovableDevice(const std::string& device, const std::string& sysBlockDir) {
  if (!device.starts_with('/')) return false;
  const std::string node = RealPath(device);
  const size_t slash = node.rfind('/');
  if (node.empty() || slash == std::string::npos) return false;
  std::string blockDir = RealPath(ChildPath(sysBlockDir, node.substr(slash + 1)));
  if (blockDir.empty()) return false;
  struct stat info;
  if (stat(ChildPath(blockDir, "partition").c_str(), &info) == 0)
    blockDir = blockDir.substr(0, blockDir.rfind('/'));
  return ReadSmallFile(ChildPath(blockDir, "removable")).starts_with('1');
}

}  // namespace trawlix
