#pragma once
// A fresh directory under the system's temp folder, removed with everything in it.
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace trawlix {

class TempDir {
 public:
  TempDir() : path_(MakeFresh()) {}

  // A death test in the "threadsafe" style runs its test again from the start in a new
  // process, which dies before any destructor runs, so a directory of its own would stay
  // behind. With this tag the parent's directory is named in the environment, and that
  // child, started after it, takes the same directory and leaves its removal to the parent.
  struct SharedWithDeathTestChild {};
  explicit TempDir(SharedWithDeathTestChild) {
    if (const char* parents = std::getenv(kSharedVariable)) {
      path_ = parents;
      owner_ = false;
    } else {
      path_ = MakeFresh();
      setenv(kSharedVariable, path_.c_str(), 1);
      shared_ = true;
    }
  }

  ~TempDir() {
    if (shared_) unsetenv(kSharedVariable);
    if (!owner_) return;
    std::error_code ignored;
    Unlock(path_);
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string operator/(std::string_view name) const { return path_ + "/" + std::string(name); }

  // Writes bytes exactly as given (a name relative to the directory), making the
  // file's folder first when it is missing.
  std::string Write(std::string_view name, std::string_view bytes) const {
    const std::string path = *this / name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
      std::abort();
    }
    close(fd);
    return path;
  }
  std::string MakeFolder(std::string_view name) const {
    const std::string path = *this / name;
    std::filesystem::create_directories(path);
    return path;
  }

 private:
  static constexpr const char* kSharedVariable = "TRAWLIX_TEST_SHARED_DIR";

  static std::string MakeFresh() {
    std::string pattern = (std::filesystem::temp_directory_path() / "trawlix-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }

  // Gives the folder and every folder below it (links are not followed) back to their
  // owner, so that a folder a test made unreadable can be listed and emptied: only root
  // removes from it as it is.
  static void Unlock(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (fs::directory_iterator entry(folder, ignored), end; entry != end;
         entry.increment(ignored)) {
      if (entry->symlink_status(ignored).type() == fs::file_type::directory) Unlock(entry->path());
    }
  }

  std::string path_;
  bool owner_ = true;
  bool shared_ = false;
};

}  // namespace trawlix
