#include "results/Launcher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <optional>
#include <vector>

#include "results/DesktopEntry.h"
#include "results/DetachedProcess.h"
#include "results/EditorLine.h"
#include "results/FileManager.h"
#include "results/FileUri.h"
#include "util/files.h"
#include "widgets/ErrorReport.h"

namespace trawlix {

namespace {

// Graphical editors tried in this order when no default application is set.
constexpr const char* kTextEditors[] = {
    "gnome-text-editor", "gedit",  "mousepad", "kate", "kwrite", "pluma", "xed",
    "featherpad",        "leafpad"};
// xdg-mime answers at once; a stuck query is given up after this long.
constexpr int kQueryTimeoutMs = 3000;

// The first line of the query's output: the desktop entry id of the default application
// for text/plain, or "" when the query failed or was given up.
std::string QueryAnswer(QProcess& query) {
  if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return {};
  const QByteArray output = query.readAllStandardOutput();
  return output.left(output.indexOf('\n')).trimmed().toStdString();
}

// The default application's command for `path` at `line`. Nothing when there is none or
// it runs in a terminal (started detached, it would have none).
std::optional<std::vector<std::string>> DefaultEditorCommand(const std::string& application,
                                                             const std::string& path,
                                                             int64_t line) {
  const std::optional<std::string> content = ReadDesktopEntry(application);
  if (!content) return std::nullopt;
  const std::optional<TDesktopEntry> entry = ParseDesktopEntry(*content);
  if (!entry || entry->terminal) return std::nullopt;
  size_t file = 0;
  std::optional<std::vector<std::string>> command = ExecArguments(entry->exec, path, &file);
  if (command) AddLineArguments(*command, file, line);
  return command;
}

void StartEditor(const std::string& application, const std::string& path, int64_t line) {
  if (const auto command = DefaultEditorCommand(application, path, line);
      command && StartProgram(*command)) {
    return;
  }
  for (const char* editor : kTextEditors) {
    std::vector<std::string> command{editor, path};
    AddLineArguments(command, 1, line);
    if (StartProgram(command)) return;
  }
  StartProgram({"xdg-open", path});
}

}  // namespace

void OpenInEditor(const std::string& path, int64_t line) {
  // The query runs while the window goes on; the editor starts when it has answered.
  // Parented to the application, a query still running at exit is ended with it.
  auto* query = new QProcess(QCoreApplication::instance());
  query->setStandardInputFile(QProcess::nullDevice());
  QObject::connect(query, &QProcess::finished, query, Guarded([query, path, line] {
                     query->deleteLater();
                     StartEditor(QueryAnswer(*query), path, line);
                   }));
  QObject::connect(query, &QProcess::errorOccurred, query,
                   Guarded([query, path, line](QProcess::ProcessError error) {
                     // A query that never started sends no finished signal.
                     if (error != QProcess::FailedToStart) return;
                     query->deleteLater();
                     StartEditor({}, path, line);
                   }));
  QTimer::singleShot(kQueryTimeoutMs, query, [query] { query->kill(); });
  query->start(QStringLiteral("xdg-mime"),
               {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
}

std::string ContainingFolder(const std::string& path) {
  if (DirectoryExists(path)) return path;
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

void OpenContainingFolder(const std::string& path) {
  auto openFolder = [path] { StartProgram({"xdg-open", ContainingFolder(path)}); };
  if (const std::optional<std::string> uri = FileUri(path)) {
    ShowInFileManager(*uri, DirectoryExists(path), std::move(openFolder));
  } else {
    openFolder();
  }
}

}  // namespace trawlix
