#include "results/Launcher.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <optional>
#include <vector>

#include "results/DesktopEntry.h"
#include "results/DetachedProcess.h"
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

// The default application's command for `path`. Nothing when there is none or it runs
// in a terminal (started detached, it would have none).
std::optional<std::vector<std::string>> DefaultEditorCommand(const std::string& application,
                                                             const std::string& path) {
  const std::optional<std::string> content = ReadDesktopEntry(application);
  if (!content) return std::nullopt;
  const std::optional<TDesktopEntry> entry = ParseDesktopEntry(*content);
  if (!entry || entry->terminal) return std::nullopt;
  return ExecArguments(entry->exec, path);
}

void StartEditor(const std::string& application, const std::string& path) {
  if (const auto command = DefaultEditorCommand(application, path);
      command && StartProgram(*command)) {
    return;
  }
  for (const char* editor : kTextEditors) {
    if (StartProgram({editor, path})) return;
  }
  StartProgram({"xdg-open", path});
}

}  // namespace

void OpenInEditor(const std::string& path) {
  // The query runs while the window goes on; the editor starts when it has answered.
  // Parented to the application, a query still running at exit is ended with it.
  auto* query = new QProcess(QCoreApplication::instance());
  query->setStandardInputFile(QProcess::nullDevice());
  QObject::connect(query, &QProcess::finished, query, Guarded([query, path] {
                     query->deleteLater();
                     StartEditor(QueryAnswer(*query), path);
                   }));
  QObject::connect(query, &QProcess::errorOccurred, query,
                   Guarded([query, path](QProcess::ProcessError error) {
                     // A query that never started sends no finished signal.
                     if (error != QProcess::FailedToStart) return;
                     query->deleteLater();
                     StartEditor({}, path);
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
  StartProgram({"xdg-open", ContainingFolder(path)});
}

}  // namespace trawlix
