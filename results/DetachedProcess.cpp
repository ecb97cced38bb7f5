#include "results/DetachedProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace trawlix {

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  for (;;) {
    const size_t colon = folders.find(':');
    const std::string_view folder = folders.substr(0, colon);
    // An empty entry means the current folder, as for the shell.
    const std::string candidate =
        (folder.empty() ? std::string(".") : std::string(folder)) + "/" + name;
    if (IsExecutableFile(candidate)) return candidate;
    if (colon == std::string_view::npos) return {};
    folders.remove_prefix(colon + 1);
  }
}

bool StartProgram(const std::vector<std::string>& command) {
  if (command.empty()) return false;
  const std::string program = FindProgram(command[0]);
  if (program.empty()) return false;

  // Everything the child needs is prepared here: between fork and exec only
  // async-signal-safe calls are allowed, since Qt runs other threads.
  std::vector<char*> argv;
  argv.reserve(command.size() + 1);
  for (const std::string& argument : command) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);

  const pid_t child = fork();
  if (child == 0) {
    // The intermediate child: a new session, then a grandchild that init adopts.
    setsid();
    if (fork() != 0) _exit(0);
    if (devNull >= 0) {
      if (devNull == STDIN_FILENO) {
        fcntl(devNull, F_SETFD, 0);
      } else {
        dup2(devNull, STDIN_FILENO);
      }
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    close_range(3, ~0U, 0);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  if (devNull >= 0) close(devNull);
  if (child > 0) {
    while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  return true;
}

}  // namespace trawlix
