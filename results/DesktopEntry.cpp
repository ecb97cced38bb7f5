#include "results/DesktopEntry.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace trawlix {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
    s.remove_suffix(1);
  }
  return s;
}

std::string UnescapeString(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (value[++i]) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      // Any other escape belongs to the Exec quoting: leave it for ExecArguments.
      default:
        out += '\\';
        out += value[i];
        break;
    }
  }
  return out;
}

std::vector<std::string> ApplicationFolders() {
  std::vector<std::string> folders;
  const char* home = std::getenv("XDG_DATA_HOME");
  if (home != nullptr && *home != '\0') {
    folders.emplace_back(home);
  } else if (const char* user = std::getenv("HOME"); user != nullptr && *user != '\0') {
    folders.push_back(std::string(user) + "/.local/share");
  }
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string_view list = (dirs != nullptr && *dirs != '\0') ? dirs : "/usr/local/share:/usr/share";
  while (!list.empty()) {
    const size_t colon = list.find(':');
    const std::string_view dir = list.substr(0, colon);
    if (!dir.empty()) folders.emplace_back(dir);
    list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
  }
  for (std::string& folder : folders) folder += "/applications/";
  return folders;
}

}  // namespace

std::optional<TDesktopEntry> ParseDesktopEntry(std::string_view content) {
  TDesktopEntry entry;
  bool inMainGroup = false;
  bool hasExec = false;
  while (!content.empty()) {
    const size_t end = content.find('\n');
    const std::string_view line = TrimBlanks(content.substr(0, end));
    content = end == std::string_view::npos ? std::string_view() : content.substr(end + 1);
    if (line.empty() || line.front() == '#') continue;
    if (line.front() == '[') {
      inMainGroup = line == "[Desktop Entry]";
      continue;
    }
    const size_t equals = line.find('=');
    if (!inMainGroup || equals == std::string_view::npos) continue;
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    const std::string_view value = TrimBlanks(line.substr(equals + 1));
    if (key == "Exec") {
      entry.exec = UnescapeString(value);
      hasExec = true;
    } else if (key == "Terminal") {
      entry.terminal = value == "true";
    }
  }
  if (!hasExec) return std::nullopt;
  return entry;
}

std::optional<std::string> ReadDesktopEntry(const std::string& id) {
  if (id.empty() || id.find('/') != std::string::npos) return std::nullopt;
  for (const std::string& folder : ApplicationFolders()) {
    std::ifstream file(folder + id, std::ios::binary);
    if (!file) continue;
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> ExecArguments(std::string_view exec,
                                                      const std::string& file,
                                                      size_t* fileArgument) {
  std::vector<std::string> arguments;
  std::string argument;
  bool started = false;  // an argument is open (it may still be empty: "")
  bool fileGiven = false;
  size_t fileAt = 0;
  auto finish = [&] {
    if (started) arguments.push_back(std::move(argument));
    argument.clear();
    started = false;
  };

  for (size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      finish();
    } else if (c == '"') {
      started = true;
      for (++i;; ++i) {
        if (i >= exec.size()) return std::nullopt;  // unclosed quote
        if (exec[i] == '"') break;
        if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
        argument += exec[i];
      }
    } else if (c == '%') {
      if (++i >= exec.size()) return std::nullopt;
      switch (exec[i]) {
        case 'f':
        case 'F':
        case 'u':
        case 'U':
          argument += file;
          started = true;
          if (!fileGiven) fileAt = arguments.size();
          fileGiven = true;
          break;
        case '%':
          argument += '%';
          started = true;
          break;
        default:  // %i %c %k and the deprecated codes give nothing here
          break;
      }
    } else {
      argument += c;
      started = true;
    }
  }
  finish();
  if (arguments.empty()) return std::nullopt;
  if (!fileGiven) {
    fileAt = arguments.size();
    arguments.push_back(file);
  }
  if (fileArgument != nullptr) *fileArgument = fileAt;
  return arguments;
}

}  // namespace trawlix
