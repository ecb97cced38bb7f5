#pragma once
// Stand-in programs for the launcher tests. A fresh folder holds a bin folder, which
// becomes the whole of PATH, and a data folder, which becomes XDG_DATA_HOME and
// XDG_DATA_DIRS. A recording stub writes its arguments, each ended by a NUL byte, to
// <records>/<its name>; the file appears whole (written aside, then renamed).
#include <sys/stat.h>

#include <QByteArray>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "../core/TempDir.h"

namespace trawlix {

class TStubPrograms {
 public:
  TStubPrograms() : root_(dir_.Path()) {
    for (const char* sub : {"/bin", "/data/applications", "/records"}) {
      std::filesystem::create_directories(root_ + sub);
    }
    for (const char* name : {"PATH", "XDG_DATA_HOME", "XDG_DATA_DIRS"}) {
      saved_.emplace_back(name, qgetenv(name));
    }
    qputenv("PATH", QByteArray::fromStdString(root_ + "/bin"));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(root_ + "/data"));
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(root_ + "/data"));
    qputenv("TRAWLIX_TEST_RECORDS", QByteArray::fromStdString(root_ + "/records"));
  }
  ~TStubPrograms() {
    for (const auto& [name, value] : saved_) qputenv(name, value);
  }
  TStubPrograms(const TStubPrograms&) = delete;
  TStubPrograms& operator=(const TStubPrograms&) = delete;

  void AddScript(const std::string& name, const std::string& body) {
    chmod(dir_.Write("bin/" + name, "#!/bin/sh\n" + body).c_str(), 0755);
  }
  void AddRecorder(const std::string& name) {
    AddScript(name,
              "out=\"$TRAWLIX_TEST_RECORDS/${0##*/}\"\n"
              "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$out.part\"\n"
              "/bin/mv \"$out.part\" \"$out\"\n");
  }
  // An xdg-mime that names `id` as the default for text/plain.
  void SetDefaultApplication(const std::string& id, const std::string& entry) {
    AddScript("xdg-mime", "[ \"$*\" = 'query default text/plain' ] && echo '" + id + "'\n");
    dir_.Write("data/applications/" + id, entry);
  }

  // The arguments the stub `name` was started with, once its record appears.
  std::optional<std::vector<std::string>> WaitForRecord(const std::string& name) {
    const std::string path = root_ + "/records/" + name;
    if (!QTest::qWaitFor([&] { return std::filesystem::exists(path); }, 10000)) return {};
    std::ifstream file(path, std::ios::binary);
    std::vector<std::string> arguments;
    for (std::string argument; std::getline(file, argument, '\0');) arguments.push_back(argument);
    return arguments;
  }
  bool Recorded(const std::string& name) const {
    return std::filesystem::exists(root_ + "/records/" + name);
  }
  const std::string& Root() const { return root_; }

 private:
  TempDir dir_;
  std::string root_;
  std::vector<std::pair<const char*, QByteArray>> saved_;
};

}  // namespace trawlix
