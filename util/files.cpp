#include "util/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <set>
#include <utility>

#include "util/FolderPaths.h"
#include "util/ListingsAhead.h"
#include "util/MaskComparerUnit.h"
#include "util/text.h"

namespace trawlix {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// The pattern's folder (ending in its separator) and its name part ("*.*").
struct Pattern {
  std::string folder;
  std::string names;
};

Pattern SplitPattern(std::string_view pattern) {
  const size_t slash = pattern.rfind('/');
  const std::string_view pathPart =
      slash == std::string_view::npos ? std::string_view() : pattern.substr(0, slash + 1);
  // The path part already ends in exactly the separator it was built with; it is kept
  // byte for byte, so a folder whose name ends in a blank stays the folder it names.
  std::string folder = pathPart.empty() ? AddTrailingSeparator(pathPart) : std::string(pathPart);
  return {std::move(folder), StripLeadingSeparator(pattern.substr(pathPart.size()))};
}

using FolderId = std::pair<dev_t, ino_t>;

// Appends folder + name for every visible subfolder in a folder's entries that matches
// the name pattern. The kind of each entry comes with the listing (links followed), so
// files and system entries are told apart from folders directly; no second listing is
// needed to remove files from the candidates, and a file and a folder whose names differ
// only in case can never be confused.
int AppendSubfolders(const TFolderEntries& entries, const std::string& folder,
                     const std::string& names, TStringList& folders) {
  const TMaskComparer comparer;
  const bool everyName = names == "*.*";
  int appended = 0;
  entries.ForEach([&](std::string_view name, TFolderHandle::EntryKind kind) {
    if (kind != TFolderHandle::EntryKind::Folder || name.front() == '.') return;
    if (!everyName && !comparer.Matches(name, names)) return;
    folders.push_back(folder + std::string(name));
    ++appended;
  });
  return appended;
}

// Stands for the pattern's folder where the walk names a folder by its index in Folders.
constexpr size_t kPatternFolder = static_cast<size_t>(-1);

// The breadth-first walk of ListAllSubfolders. keptFor(i) says where to keep the entries of
// each folder the walk lists (nullptr: nowhere), i being kPatternFolder or its index in
// Folders. The folders are listed ahead in the walk's order (the pattern's folder, those
// Folders holds, then each as it is appended) and taken in that order.
template <typename KeptFor>
int WalkSubfolders(const Pattern& parts, TStringList& folders, KeptFor keptFor, size_t threads) {
  std::set<FolderId> entered;
  TListingsAhead ahead(threads);
  const auto listAhead = [&](size_t from) {
    std::vector<std::string> paths;
    paths.reserve(folders.size() - from);
    for (size_t k = from; k < folders.size(); ++k) paths.push_back(ChildPath(folders[k], {}));
    ahead.Add(std::move(paths));
  };
  // Takes one folder's listing unless a link has led into the folder before.
  const auto expand = [&](const std::string& folder, size_t index) {
    TFolderListing listing = ahead.Take();
    if (!listing.opened || !entered.insert({listing.device, listing.inode}).second) return;
    const size_t before = folders.size();
    AppendSubfolders(listing.entries, folder, parts.names, folders);
    listAhead(before);
    if (TFolderEntries* kept = keptFor(index)) *kept = std::move(listing.entries);
  };
  ahead.Add({parts.folder});
  listAhead(0);
  expand(parts.folder, kPatternFolder);
  // Entries appended while walking are walked in their turn: breadth first.
  for (size_t i = 0; i < folders.size(); ++i) expand(ChildPath(folders[i], {}), i);
  return static_cast<int>(folders.size());
}

}  // namespace

std::string StripTrailingSeparator(std::string_view path) {
  std::string_view trimmed = Trim(path);
  if (!trimmed.empty() && IsSeparator(trimmed.back())) trimmed.remove_suffix(1);
  return std::string(trimmed);
}

std::string AddTrailingSeparator(std::string_view path) {
  return StripTrailingSeparator(path) + PathDelim;
}

std::string StripLeadingSeparator(std::string_view name) {
  if (name.size() <= 1) return {};
  std::string_view trimmed = Trim(name);
  if (!trimmed.empty() && IsSeparator(trimmed.front())) trimmed.remove_prefix(1);
  return std::string(trimmed);
}

int ListSubfolders(std::string_view pattern, TStringList& folders) {
  const Pattern parts = SplitPattern(pattern);
  return AppendSubfolders(ListFolder(parts.folder).entries, parts.folder, parts.names, folders);
}

int ListAllSubfolders(std::string_view pattern, TStringList& folders) {
  return WalkSubfolders(
      SplitPattern(pattern), folders, [](size_t) -> TFolderEntries* { return nullptr; }, 1);
}

int ListAllSubfoldersOf(const std::string& folder, TStringList& folders, TListedFolders* listed,
                        size_t threads) {
  // A folder walked again (given twice) is kept as listed last.
  const auto keptFor = [&](size_t i) -> TFolderEntries* {
    return listed == nullptr ? nullptr : &(*listed)[i == kPatternFolder ? folder : folders[i]];
  };
  return WalkSubfolders({ChildPath(folder, {}), "*.*"}, folders, keptFor, threads);
}

void TFolderEntries::Add(std::string_view name, Kind kind) {
  names_.append(name).push_back('\0');
  kinds_.push_back(kind);
}

void TFolderEntries::Clear() {
  names_.clear();
  kinds_.clear();
  error_ = 0;
}

TPathStart StartOfPath(const std::string& path) {
  TPathStart start;
  std::string_view rest(path);
  while (rest.size() >= PATH_MAX) {
    // The longest run of whole names that fits, up to the separator after it.
    const size_t cut = rest.rfind('/', PATH_MAX - 1);
    if (cut == std::string_view::npos || cut == 0) {
      errno = ENAMETOOLONG;  // a single name longer than any path
      start.folder = -1;
      return start;
    }
    const std::string run(rest.substr(0, cut));
    start.reached =
        TFileDescriptor(openat(start.folder, run.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    start.folder = start.reached.Get();
    if (start.folder < 0) return start;
    // What follows is taken from the folder reached, never from the root.
    const size_t next = rest.find_first_not_of('/', cut);
    rest.remove_prefix(next == std::string_view::npos ? rest.size() : next);
  }
  start.rest = rest.empty() ? "." : std::string(rest);
  return start;
}

bool DirectoryExists(const std::string& path) {
  const TPathStart start = StartOfPath(path);
  struct stat st;
  return start.folder != -1 && fstatat(start.folder, start.rest.c_str(), &st, 0) == 0 &&
         S_ISDIR(st.st_mode);
}

namespace {

int OpenFolder(const std::string& folder) {
  const TPathStart start = StartOfPath(folder);
  if (start.folder == -1) return -1;
  return openat(start.folder, start.rest.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

TFolderHandle::TFolderHandle(const std::string& folder)
    : fd_(OpenFolder(folder)), error_(fd_.Valid() ? 0 : errno) {}

namespace {

TFolderHandle::EntryKind KindOf(int folderFd, const char* name, unsigned char type) {
  using Kind = TFolderHandle::EntryKind;
  switch (type) {
    case DT_REG:
      return Kind::File;
    case DT_DIR:
      return Kind::Folder;
    case DT_LNK:
    case DT_UNKNOWN:
      break;
    default:
      return Kind::Other;
  }
  // A link is taken for what it leads to; a broken one is Other.
  struct stat st;
  if (fstatat(folderFd, name, &st, 0) != 0) return Kind::Other;
  if (S_ISREG(st.st_mode)) return Kind::File;
  if (S_ISDIR(st.st_mode)) return Kind::Folder;
  return Kind::Other;
}

}  // namespace

void TFolderHandle::ListEntries(void (*callback)(void*, std::string_view, EntryKind),
                                void* context) const {
  if (!fd_.Valid()) return;
  error_ = 0;
  // The handle may be listed more than once: each later listing starts from the beginning.
  if (listed_ && lseek(fd_.Get(), 0, SEEK_SET) != 0) {
    error_ = errno;
    return;
  }
  listed_ = true;
  // getdents64 fills the buffer with records laid out as struct dirent64.
  alignas(dirent64) char buffer[32768];
  for (;;) {
    const ssize_t got = getdents64(fd_.Get(), buffer, sizeof buffer);
    if (got == 0) return;  // the end of the folder
    if (got < 0) {
      // An I/O error, or the folder was removed since it was opened.
      if (errno == EINTR) continue;
      error_ = errno;
      return;
    }
    for (ssize_t at = 0; at < got;) {
      const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
      at += entry->d_reclen;
      const std::string_view name(entry->d_name);
      if (name == "." || name == "..") continue;
      callback(context, name, KindOf(fd_.Get(), entry->d_name, entry->d_type));
    }
  }
}

int OpenForReading(int folderFd, const std::string& name, bool& noAtime) {
  constexpr int kFlags = O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int fd = noAtime ? openat(folderFd, name.c_str(), kFlags | O_NOATIME) : -1;
  if (fd < 0 && (!noAtime || errno == EPERM)) {
    noAtime = false;
    fd = openat(folderFd, name.c_str(), kFlags);
  }
  return fd;
}

ssize_t ReadCached(int fd, char* into, size_t wanted, int& refusal) {
  iovec part{into, wanted};
  for (;;) {
    const ssize_t got = preadv2(fd, &part, 1, -1, RWF_NOWAIT);
    if (got >= 0) return got;
    if (errno == EINTR) continue;
    refusal = errno;
    return -1;
  }
}

TFileSystemKind FileSystemKindOf(int fd) {
  struct statfs fs;
  if (fstatfs(fd, &fs) != 0) return TFileSystemKind::Kernel;
  switch (static_cast<unsigned long>(fs.f_type)) {
    case PROC_SUPER_MAGIC:
    case SYSFS_MAGIC:
    case DEBUGFS_MAGIC:
    case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC:
    case CGROUP_SUPER_MAGIC:
    case CGROUP2_SUPER_MAGIC:
    case BPF_FS_MAGIC:
    case EFIVARFS_MAGIC:
    case PSTOREFS_MAGIC:
      return TFileSystemKind::Kernel;
    case TMPFS_MAGIC:
    case RAMFS_MAGIC:
      return TFileSystemKind::Memory;
    case FUSE_SUPER_MAGIC:
    case NFS_SUPER_MAGIC:
    case SMB_SUPER_MAGIC:
    case CIFS_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
    case V9FS_MAGIC:
    case CEPH_SUPER_MAGIC:
    case AFS_SUPER_MAGIC:
    case AFS_FS_MAGIC:
    case CODA_SUPER_MAGIC:
      return TFileSystemKind::Remote;
    default:
      return TFileSystemKind::Disk;
  }
}

}  // namespace trawlix
