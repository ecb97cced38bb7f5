#include "results/Launcher.h"

#include <QProcess>
#include <optional>
#include <vector>

#include "results/DesktopEntry.h"
#include "results/DetachedProcess.h"
#include "util/files.h"

namespace {

// Graphical editors tried in this order when no default application is set.
constexpr const char* kTextEditors[] = {
    "gnome-text-editor", "gedit",  "mousepad", "kate", "kwrite", "pluma", "xed",
    "featherpad",        "leafpad"};
// xdg-mime answers at once; a stuck query must not freeze the window for long.
constexpr int kQueryTimeoutMs = 3000;

// The desktop entry id of the default application for text/plain, or "".
std::string DefaultTextApplication() {
  QProcess query;
  query.setStandardInputFile(QProcess::nullDevice());
  query.start(QStringLiteral("xdg-mime"),
              {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
  if (!query.waitForFinished(kQueryTimeoutMs)) {
    query.kill();
    query.waitForFinished();
    return {};
  }
  if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return {};
  const QByteArray output = query.readAllStandardOutput();
  return output.left(output.indexOf('\n')).trimmed().toStdString();
}

// The default application's command for `path`. Nothing when there is none or it runs
// in a terminal (started detached, it would have none).
std::optional<std::vector<std::string>> DefaultEditorCommand(const std::string& path) {
  const std::optional<std::string> content = ReadDesktopEntry(DefaultTextApplication());
  if (!content) return std::nullopt;
  const std::optional<TDesktopEntry> entry = ParseDesktopEntry(*content);
  if (!entry || entry->terminal) return std::nullopt;
  return ExecArguments(entry->exec, path);
}

}  // namespace

void OpenInEditor(const std::string& path) {
  if (const auto command = DefaultEditorCommand(path); command && StartProgram(*command)) return;
  for (const char* editor : kTextEditors) {
    if (StartProgram({editor, path})) return;
  }
  StartProgram({"xdg-open", path});
}

std::string ContainingFolder(const std::string& path) {
  if (DirectoryExists(path)) return path;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void OpenContainingFolder(const std::string& path) {
  StartProgram({"xdg-open", ContainingFolder(path)});
}
