#pragma once
// A fresh temporary folder for the folder dialog's tests, removed with everything in it
// when the test ends.
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace trawlix {

class TFolderTestTree {
 public:
  TFolderTestTree() {
    char pattern[] = "/tmp/trawlix-folders-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TFolderTestTree() { std::filesystem::remove_all(path_); }
  TFolderTestTree(const TFolderTestTree&) = delete;
  TFolderTestTree& operator=(const TFolderTestTree&) = delete;

  const std::string& Path() const { return path_; }
  // Creates the folder (and those above it) below the tree; gives its full path.
  std::string Make(const std::string& relative) const {
    std::filesystem::create_directories(path_ + "/" + relative);
    return path_ + "/" + relative;
  }

 private:
  std::string path_;
};

}  // namespace trawlix
