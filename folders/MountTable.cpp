#include "folders/MountTable.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>

#include "util/FileDescriptor.h"
#include "util/FolderPaths.h"
#include "util/files.h"

namespace trawlix {

namespace {

// Kernel and service file systems that hold no user folders.
constexpr std::array<std::string_view, 26> kPseudoTypes = {
    "proc",       "sysfs",      "cgroup",    "cgroup2",         "devpts",      "devtmpfs",
    "mqueue",     "debugfs",    "tracefs",   "securityfs",      "pstore",      "bpf",
    "configfs",   "fusectl",    "hugetlbfs", "autofs",          "binfmt_misc", "efivarfs",
    "nsfs",       "rpc_pipefs", "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal", "nfsd",
    "fuse.lxcfs", "usbfs"};
constexpr std::array<std::string_view, 11> kNetworkTypes = {
    "nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "afs", "ncpfs", "davfs"};

template <size_t N>
bool IsOneOf(std::string_view type, const std::array<std::string_view, N>& types) {
  return std::find(types.begin(), types.end(), type) != types.end();
}

int OctalDigit(char c) {
  return c >= '0' && c <= '7' ? c - '0' : -1;
}

// The mounts table writes blank, tab, newline and backslash as "\ooo".
std::string DecodeMountField(std::string_view field) {
  std::string decoded;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && OctalDigit(field[i + 1]) >= 0 &&
        OctalDigit(field[i + 2]) >= 0 && OctalDigit(field[i + 3]) >= 0) {
      decoded += static_cast<char>(OctalDigit(field[i + 1]) * 64 + OctalDigit(field[i + 2]) * 8 +
                                   OctalDigit(field[i + 3]));
      i += 3;
    } else {
      decoded += field[i];
    }
  }
  return decoded;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    const size_t end = line.find_first_of(" \t", pos);
    if (pos < line.size()) fields.push_back(line.substr(pos, end - pos));
    pos = end == std::string_view::npos ? line.size() : end;
  }
  return fields;
}

TDriveKind KindOf(const TMountEntry& mount, const TDriveProbe& probe) {
  if (IsOneOf(mount.fsType, kNetworkTypes)) return TDriveKind::Network;
  if (mount.fsType == "iso9660" || mount.fsType == "udf") return TDriveKind::CdRom;
  if (mount.fsType == "tmpfs" || mount.fsType == "ramfs") return TDriveKind::Ram;
  if (probe.removable(mount.source)) return TDriveKind::Removable;
  return TDriveKind::Fixed;
}

std::string RealPath(const std::string& path) {
  std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
  return real ? std::string(real.get()) : std::string();
}

std::string ReadSmallFile(const std::string& path) {
  std::string text;
  const TFileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Valid()) ReadAll(fd.Get(), text);  // what could be read: the table is advisory
  return text;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return names;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name != "." && name != "..") names.emplace_back(name);
  }
  closedir(dir);
  return names;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// udev writes unsafe bytes of a label as "\xHH" in the link's name.
std::string DecodeLabelName(std::string_view name) {
  std::string label;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name.substr(i, 2) == "\\x" && i + 3 < name.size() && HexDigit(name[i + 2]) >= 0 &&
        HexDigit(name[i + 3]) >= 0) {
      label += static_cast<char>(HexDigit(name[i + 2]) * 16 + HexDigit(name[i + 3]));
      i += 3;
    } else {
      label += name[i];
    }
  }
  return label;
}

std::string LabelOf(const std::string& byLabelDir, const std::string& source) {
  if (source.empty() || source.front() != '/') return {};
  const std::string device = RealPath(source);
  if (device.empty()) return {};
  for (const std::string& name : FolderEntries(byLabelDir)) {
    if (RealPath(ChildPath(byLabelDir, name)) == device) return DecodeLabelName(name);
  }
  return {};
}

// A partition's flag is its disk's: /sys/class/block/sdb1 lies in the folder of sdb.
bool IsRemovable(const std::string& sysBlockDir, const std::string& source) {
  if (source.empty() || source.front() != '/') return false;
  const std::string device = RealPath(source);
  const size_t slash = device.rfind('/');
  if (device.empty() || slash == std::string::npos) return false;
  std::string blockDir = RealPath(ChildPath(sysBlockDir, device.substr(slash + 1)));
  if (blockDir.empty()) return false;
  struct stat info;
  if (stat(ChildPath(blockDir, "partition").c_str(), &info) == 0)
    blockDir = blockDir.substr(0, blockDir.rfind('/'));
  return ReadSmallFile(ChildPath(blockDir, "removable")).starts_with('1');
}

}  // namespace

std::vector<TMountEntry> ParseMounts(std::string_view text) {
  std::vector<TMountEntry> mounts;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::vector<std::string_view> fields = Fields(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (fields.size() < 3) continue;
    mounts.push_back(
        {DecodeMountField(fields[0]), DecodeMountField(fields[1]), DecodeMountField(fields[2])});
  }
  return mounts;
}

std::vector<TDrive> ListDrives(std::string_view mountsText, const TDriveProbe& probe) {
  // A later mount on the same point hides the earlier ones.
  std::map<std::string, TMountEntry> byMountPoint;
  for (TMountEntry& mount : ParseMounts(mountsText)) {
    if (IsOneOf(mount.fsType, kPseudoTypes) || !mount.mountPoint.starts_with('/')) continue;
    const std::string mountPoint = mount.mountPoint;
    byMountPoint.insert_or_assign(mountPoint, std::move(mount));
  }
  std::vector<TDrive> drives;
  for (const auto& [mountPoint, mount] : byMountPoint) {
    // Files mounted over files (a container's /etc/hosts) cannot be browsed.
    if (mountPoint != "/" && !probe.isFolder(mountPoint)) continue;
    const TDriveKind kind = KindOf(mount, probe);
    std::string text = mountPoint + ' ';
    if (kind == TDriveKind::Network) {
      text += mount.source;
    } else {
      text += '[';
      text += probe.label(mount.source);
      text += ']';
    }
    drives.push_back({mountPoint, std::move(text), kind});
  }
  if (!byMountPoint.contains("/")) drives.insert(drives.begin(), {"/", "/ []", TDriveKind::Fixed});
  return drives;
}

std::string ReadMountsTable(const std::string& path) {
  return ReadSmallFile(path);
}

TDriveProbe SystemDriveProbe(const std::string& byLabelDir, const std::string& sysBlockDir) {
  return {[byLabelDir](const std::string& source) { return LabelOf(byLabelDir, source); },
          [sysBlockDir](const std::string& source) { return IsRemovable(sysBlockDir, source); },
          &DirectoryExists};
}

std::string MountPointOf(const std::string& path, const std::vector<std::string>& mountPoints) {
  std::string best = "/";
  for (const std::string& mountPoint : mountPoints) {
    if (mountPoint.size() > best.size() && PathIsIn(path, mountPoint)) best = mountPoint;
  }
  return best;
}

}  // namespace trawlix
