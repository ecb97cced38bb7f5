// window_bench: times the windowed search against trawlix-cli, on the program's own four
// windows (offscreen unless a platform is chosen), and prints a markdown table.
//
//  1. Ok to the results window: the time from Ok until the results list has painted, next to
//     trawlix-cli's time for the same search (run as a process, its output drained through
//     a pipe). Meanwhile it counts the files the progress window's label showed (sampled at
//     every turn of the event loop, which the run takes once per file) and the paints.
//  2. Cancel: a click on Cancel, posted from another thread at a random moment of the run as
//     the window system would deliver it; the time until the run takes it and returns, and
//     how many files were still started after it.
//  3. The results window alone: the last run's results (a million lines and more) handed to
//     the window, the time to the list's first paint, and the time of scroll steps each
//     followed by a forced repaint.
//
// With --long-lines it times minified files instead (one line of 1 to 10 MB each, made
// once in the corpus folder's sibling "minified"): Ok to the painted list against
// trawlix-cli, each match selected until the context pane has painted, and the peak
// memory of the process, which runs nothing else.
//
// Usage: window_bench --cli PATH [--corpus DIR] [--runs N] [--seed N] [--out FILE]
//                     [--cold | --long-lines] [TEXT...]
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/StartUp.h"
#include "app/frmmainunit.h"
#include "folders/frmfoldersunit.h"
#include "progress/frmstatusunit.h"
#include "results/frmresultsunit.h"
#include "search/SearchResults.h"
#include "util/FolderPaths.h"
#include "util/files.h"
#include "util/lists.h"
#include "widgets/ErrorReport.h"

using namespace trawlix;

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}
double Ms(Clock::duration d) {
  return 1000 * Seconds(d);
}

double CpuOf(const rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         1e-6 * static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return CpuOf(usage);
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

double Max(const std::vector<double>& v) {
  return v.empty() ? 0 : *std::max_element(v.begin(), v.end());
}

struct Options {
  std::string cli;
  std::string corpus;
  int runs = 3;
  unsigned seed = 1;
  std::string out;
  std::vector<std::string> queries;
  bool cold = false;  // every search of the first table starts with the corpus evicted
  bool longLines = false;
};

Options ParseOptions(int argc, char** argv) {
  Options o;
  const char* home = std::getenv("HOME");
  o.corpus = std::string(home ? home : "/root") + "/.cache/trawlix-bench/linux";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) throw std::runtime_error(a + " needs a value");
      return argv[++i];
    };
    if (a == "--cli") {
      o.cli = value();
    } else if (a == "--corpus") {
      o.corpus = value();
    } else if (a == "--runs") {
      o.runs = std::max(1, std::stoi(value()));
    } else if (a == "--seed") {
      o.seed = static_cast<unsigned>(std::stoul(value()));
    } else if (a == "--out") {
      o.out = value();
    } else if (a == "--cold") {
      o.cold = true;
    } else if (a == "--long-lines") {
      o.longLines = true;
    } else {
      o.queries.push_back(a);
    }
  }
  if (o.cli.empty()) throw std::runtime_error("usage: window_bench --cli PATH [options] [TEXT...]");
  if (o.queries.empty()) o.queries = {"PM_RESUME", "struct"};
  return o;
}

size_t FileCount(const TStringList& folders) {
  const TStringList masks{"*.*"};
  TStringList files;
  size_t count = 0;
  for (const std::string& folder : folders) count += ListMatchingFiles(folder, masks, 0, files);
  return count;
}

// Drops the file data of the folder list's files from the page cache, as a first search
// after start-up meets it (the machines here do not allow dropping the whole cache).
void Evict(const TStringList& folders) {
  const TStringList masks{"*.*"};
  TStringList files;
  for (const std::string& folder : folders) {
    ListMatchingFiles(folder, masks, 0, files);
    for (const std::string& name : files) {
      const int fd = open(ChildPath(folder, name).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) continue;
      posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
      close(fd);
    }
  }
}

struct CliRun {
  double wall = 0, cpu = 0;
  size_t bytes = 0;
};

// trawlix-cli -r -c -m "*.*" -t TEXT FOLDER, its output read and dropped.
CliRun RunCli(const Options& o, const std::string& text) {
  std::vector<std::string> args{o.cli, "-r", "-c", "-m", "*.*", "-t", text, o.corpus};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out[2];
  if (pipe(out) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, out[1]);
  CliRun run;
  const auto start = Clock::now();
  pid_t pid;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
    throw std::runtime_error("cannot start " + o.cli);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  std::vector<char> buffer(1 << 20);
  for (ssize_t n; (n = read(out[0], buffer.data(), buffer.size())) != 0;) {
    if (n > 0)
      run.bytes += static_cast<size_t>(n);
    else if (errno != EINTR)
      break;
  }
  close(out[0]);
  int status;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.wall = Seconds(Clock::now() - start);
  run.cpu = CpuOf(usage);
  return run;
}

// Watches the windows during a run: the label's text at every turn of the event loop, the
// paints, the results window's show and its list's first paint (after which it closes it,
// as the user's Ok would).
class TProbe : public QObject {
 public:
  TProbe() {
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake, this,
            &TProbe::Turn);
    frmStatus->lblFilename->installEventFilter(this);
    frmResults->installEventFilter(this);
    frmResults->lstResults->viewport()->installEventFilter(this);
    connect(frmStatus->cmdCancel, &QPushButton::clicked, this,
            [this] { cancelTaken = Clock::now(); });
  }

  void Start(bool closeResults) {
    counting = true;
    closeResults_ = closeResults;
    turns = labelPaints = 0;
    fileStarts.clear();
    lastLabel_ = frmStatus->lblFilename->text();
    gaugePaints0_ = GaugePaints();
    shown = firstPaint = cancelTaken = Clock::time_point();
    waitingPaint_ = false;
  }
  void Stop() { counting = false; }
  int GaugePaintsSinceStart() const { return GaugePaints() - gaugePaints0_; }

  bool counting = false;
  size_t turns = 0, labelPaints = 0;
  std::vector<Clock::time_point> fileStarts;  // when the label was first seen with each file
  Clock::time_point shown, firstPaint, cancelTaken;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == frmStatus->lblFilename && event->type() == QEvent::Paint) {
      if (counting) ++labelPaints;
    } else if (watched == frmResults && event->type() == QEvent::Show) {
      shown = Clock::now();
      waitingPaint_ = true;
    } else if (watched == frmResults->lstResults->viewport() && event->type() == QEvent::Paint &&
               waitingPaint_) {
      const bool result = QObject::eventFilter(watched, event);
      waitingPaint_ = false;
      firstPaint = Clock::now();
      if (closeResults_) QTimer::singleShot(0, frmResults, &QDialog::accept);
      return result;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  static int GaugePaints() {
    return frmStatus->overallprogress->PaintCount() + frmStatus->fileprogress->PaintCount();
  }
  void Turn() {
    if (!counting) return;
    ++turns;
    const QString label = frmStatus->lblFilename->text();
    if (label != lastLabel_) {
      lastLabel_ = label;
      if (!label.isEmpty()) fileStarts.push_back(Clock::now());
    }
  }

  bool closeResults_ = true;
  bool waitingPaint_ = false;
  QString lastLabel_;
  int gaugePaints0_ = 0;
};

struct WindowRun {
  double toShown = 0, toPaint = 0, cpu = 0;
  size_t files = 0, turns = 0, labelPaints = 0, gaugePaints = 0;
};

void SetUpSearch(const std::string& text) {
  frmMain->txtSearch->setText(QString::fromStdString(text));
  frmMain->cboMask->setCurrentText("*.*");
  frmMain->chkCaseSense->setChecked(true);
  frmMain->chkWholeword->setChecked(false);
}

WindowRun RunWindow(TProbe& probe, const std::string& text) {
  SetUpSearch(text);
  probe.Start(true);
  const double cpu0 = CpuSeconds(RUSAGE_SELF);
  const auto start = Clock::now();
  frmMain->cmdOk->click();
  probe.Stop();
  WindowRun run;
  run.toShown = Seconds(probe.shown - start);
  run.toPaint = Seconds(probe.firstPaint - start);
  run.cpu = CpuSeconds(RUSAGE_SELF) - cpu0;  // up to the results window's close: a hair more
  run.files = probe.fileStarts.size();
  run.turns = probe.turns;
  run.labelPaints = probe.labelPaints;
  run.gaugePaints = static_cast<size_t>(probe.GaugePaintsSinceStart());
  return run;
}

struct CancelRun {
  double at = 0;        // s after Ok
  double taken = -1;    // ms from the click to Cancel's handler, -1 if never
  double returned = 0;  // ms from the click to the end of the run
  size_t startedAfter = 0;
  bool resultsShown = false;
};

// Posts a mouse click on Cancel from another thread `delay` after Ok.
CancelRun RunCancel(TProbe& probe, const std::string& text, Clock::duration delay) {
  SetUpSearch(text);
  probe.Start(true);
  const QPointF centre = frmStatus->cmdCancel->rect().center();
  QPushButton* button = frmStatus->cmdCancel;
  Clock::time_point clicked, queued;
  const auto start = Clock::now();
  std::thread user([&] {
    std::this_thread::sleep_until(start + delay);
    clicked = Clock::now();
    // Queued like the window system's events; a hidden window gets no click.
    QMetaObject::invokeMethod(
        button,
        [button, centre] {
          if (!frmStatus->isVisible()) return;
          QMouseEvent press(QEvent::MouseButtonPress, centre, centre, Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
          QCoreApplication::sendEvent(button, &press);
          QMouseEvent release(QEvent::MouseButtonRelease, centre, centre, Qt::LeftButton,
                              Qt::NoButton, Qt::NoModifier);
          QCoreApplication::sendEvent(button, &release);
        },
        Qt::QueuedConnection);
    // Files are counted from here: a thread put off before it has queued the click, as on
    // a busy machine, would otherwise charge the run with the files of its own delay.
    queued = Clock::now();
  });
  frmMain->cmdOk->click();
  const auto end = Clock::now();
  probe.Stop();
  user.join();
  QCoreApplication::processEvents();  // a click that came after the run: none
  CancelRun run;
  run.at = Seconds(clicked - start);
  run.resultsShown = probe.shown != Clock::time_point();
  run.returned = Ms(end - clicked);
  if (probe.cancelTaken != Clock::time_point()) run.taken = Ms(probe.cancelTaken - clicked);
  run.startedAfter =
      static_cast<size_t>(std::count_if(probe.fileStarts.begin(), probe.fileStarts.end(),
                                        [&](Clock::time_point t) { return t > queued; }));
  return run;
}

// Lets events run until the flag is set.
void WaitFor(const Clock::time_point& stamp) {
  while (stamp == Clock::time_point())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// What the progress window costs a file on its own: the run's steps for one file (label,
// gauge, a turn of the event loop) with the window shown, in microseconds.
double WindowCostPerFile(const TStringList& folders) {
  frmStatus->show();
  QCoreApplication::processEvents();
  constexpr int kFiles = 20000;
  frmStatus->fileprogress->SetMaxValue(kFiles);
  const auto start = Clock::now();
  for (int i = 0; i < kFiles; ++i) {
    frmStatus->lblFilename->setText(QString::fromStdString(folders[i % folders.size()]) + "/file" +
                                    QString::number(i));
    frmStatus->fileprogress->SetProgress(i + 1);
    QCoreApplication::processEvents();
  }
  const double cost = 1e6 * Seconds(Clock::now() - start) / kFiles;
  frmStatus->hide();
  return cost;
}

struct ResultsRun {
  double setResults = 0, toPaint = 0;
};

// Hands the results to the hidden window, shows it and waits for the list's first paint.
ResultsRun OpenResults(TProbe& probe, const TSearchResults& results) {
  frmResults->DetachResults();
  QCoreApplication::processEvents();
  probe.Start(false);
  const auto start = Clock::now();
  frmResults->SetResults(results);
  const auto handed = Clock::now();
  frmResults->show();
  WaitFor(probe.firstPaint);
  probe.Stop();
  return {Ms(handed - start), Ms(probe.firstPaint - start)};
}

struct ScrollSteps {
  std::vector<double> jump, pageDown;
};

ScrollSteps Scroll(std::mt19937& random, int steps) {
  QListView* list = frmResults->lstResults;
  QScrollBar* bar = list->verticalScrollBar();
  ScrollSteps s;
  std::uniform_int_distribution<int> position(0, bar->maximum());
  for (int i = 0; i < steps; ++i) {
    const auto start = Clock::now();
    bar->setValue(position(random));
    list->viewport()->repaint();
    s.jump.push_back(Ms(Clock::now() - start));
  }
  list->setFocus();
  list->setCurrentIndex(list->indexAt(QPoint(1, 1)));
  for (int i = 0; i < steps; ++i) {
    const auto start = Clock::now();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &release);
    list->viewport()->repaint();
    frmResults->mmoSample->viewport()->repaint();  // the context of the new line
    s.pageDown.push_back(Ms(Clock::now() - start));
  }
  return s;
}

std::string Fixed(double v, int digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", digits, v);
  return text;
}

constexpr int kCancelClicks = 5;  // per search

const char* Verdict(bool holds) {
  return holds ? "yes" : "**no**";
}

// Minified scripts: file i (1 to 10) is one line of i MB of code-like tokens with no line
// break, holding "needle" (i % 3) + 1 times at random places. Made once; returns the folder.
std::string MakeMinifiedCorpus(const Options& o) {
  const std::string folder = o.corpus.substr(0, o.corpus.rfind('/') + 1) + "minified";
  const std::string done = folder + ".done";
  if (std::filesystem::exists(done)) return folder;
  std::filesystem::create_directories(folder);
  std::mt19937 random(7);
  const char* tokens[] = {"function", "(a,b)", "{return ", "a.map", "=>",  "var ", "x",
                          "1e3",      ";",     "}",        "if(",   "!==", "null", ")"};
  std::uniform_int_distribution<size_t> token(0, std::size(tokens) - 1);
  for (int i = 1; i <= 10; ++i) {
    std::string text;
    const size_t size = static_cast<size_t>(i) << 20;
    while (text.size() < size) text += tokens[token(random)];
    std::uniform_int_distribution<size_t> place(0, size - 6);
    for (int hit = 0; hit <= i % 3; ++hit) text.replace(place(random), 6, "needle");
    std::ofstream(folder + "/min" + std::to_string(i) + ".js", std::ios::binary) << text << '\n';
  }
  std::ofstream(done) << "";
  return folder;
}

double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024;
}

int LongLinesBench(Options o) {
  o.corpus = MakeMinifiedCorpus(o);
  const std::string text = "needle";
  const TStringList folders{o.corpus};
  frmFolders->lstFolders->SetItems(folders);
  frmMain->lstFolders->SetItems(folders);
  frmMain->show();
  QCoreApplication::processEvents();
  TProbe probe;
  RunCli(o, text);  // warm the cache
  const double startMiB = PeakMiB();
  std::vector<double> cliWall, painted, pane;
  for (int r = 0; r < o.runs; ++r) {
    cliWall.push_back(RunCli(o, text).wall);
    painted.push_back(RunWindow(probe, text).toPaint);
  }
  // Each match selected in turn, until the pane has painted its context.
  const TSearchResults& results = frmMain->Results();
  frmResults->SetResults(results);
  frmResults->show();
  QCoreApplication::processEvents();
  QListView* list = frmResults->lstResults;
  for (int r = 0; r < o.runs; ++r) {
    for (size_t line = 0; line < results.LineCount(); ++line) {
      if (!results.ItemOfLine(line)) continue;
      const auto start = Clock::now();
      list->setCurrentIndex(list->model()->index(static_cast<int>(line), 0));
      list->viewport()->repaint();
      frmResults->mmoSample->viewport()->repaint();
      pane.push_back(Ms(Clock::now() - start));
    }
  }
  frmResults->hide();
  size_t largest = 0;
  const TStringList masks{"*.*"};
  TStringList files;
  ListMatchingFiles(o.corpus, masks, 0, files);
  for (const std::string& name : files)
    largest = std::max<size_t>(largest, std::filesystem::file_size(ChildPath(o.corpus, name)));
  const double largestMiB = static_cast<double>(largest) / (1 << 20);
  // The records keep every byte of their lines for the commands (here each sample is its
  // file's one line); the windows' share of the peak is what lies beyond those.
  size_t kept = 0;
  for (size_t i = 0; i < results.GrepItems().size(); ++i)
    kept += results.GrepItems()[i].Line().size();
  const double keptMiB = static_cast<double>(kept) / (1 << 20);
  const double peakMiB = PeakMiB();
  const double ratio = Median(painted) / Median(cliWall);
  const bool memoryHolds = peakMiB - keptMiB <= largestMiB + 64;
  const bool holds = ratio <= 1.3 && Max(pane) < 50 && memoryHolds;

  std::ostringstream md;
  md << "Minified files in " << o.corpus << ": " << files.size()
     << " one-line files of 1 to 10 MB, " << results.LineCount() << " results lines; medians of "
     << o.runs << " runs, platform " << qPrintable(QGuiApplication::platformName()) << ".\n\n"
     << "| trawlix-cli s | Ok→list painted s | ratio | ≤ 1.3 | select→pane painted median / max ms "
        "| < 50 | peak MiB (at start, lines kept) | peak − lines kept ≤ largest file + 64 |\n"
        "|---|---|---|---|---|---|---|---|\n"
     << "| " << Fixed(Median(cliWall), 3) << " | " << Fixed(Median(painted), 3) << " | "
     << Fixed(ratio, 2) << " | " << Verdict(ratio <= 1.3) << " | " << Fixed(Median(pane), 1)
     << " / " << Fixed(Max(pane), 1) << " | " << Verdict(Max(pane) < 50) << " | "
     << Fixed(peakMiB, 0) << " (" << Fixed(startMiB, 0) << ", " << Fixed(keptMiB, 0) << ") | "
     << Fixed(peakMiB - keptMiB, 0) << " " << Verdict(memoryHolds) << " ("
     << Fixed(largestMiB + 64, 0) << ") |\n"
     << "\nAll targets hold: " << (holds ? "yes" : "no") << "\n";
  std::cout << md.str();
  if (!o.out.empty()) std::ofstream(o.out) << md.str();
  return 0;
}

int Bench(const Options& o) {
  std::mt19937 random(o.seed);
  std::ostringstream md;

  const auto listStart = Clock::now();
  // The folder and every folder below it: the list trawlix-cli -r searches.
  TStringList folders;
  AppendFolderTree(o.corpus, folders);
  const double listTime = Seconds(Clock::now() - listStart);
  const size_t fileCount = FileCount(folders);
  // As the folder dialog's Ok leaves them: both lists hold the tree.
  frmFolders->lstFolders->SetItems(folders);
  frmMain->lstFolders->SetItems(folders);
  frmMain->show();
  QCoreApplication::processEvents();

  const double perFile = WindowCostPerFile(folders);
  TProbe probe;
  md << "Corpus " << o.corpus << ": " << folders.size() << " folders, " << fileCount
     << " files; listing the folder tree took " << Fixed(listTime, 2)
     << " s (trawlix-cli's time includes it, the window's does not: the folder dialog builds "
        "the list before Ok). Medians of "
     << o.runs << (o.cold ? " runs, each with the corpus's file data evicted first" : " runs")
     << ", platform " << qPrintable(QGuiApplication::platformName())
     << ". The progress window's own cost per file (label, gauge, one turn of the event loop): "
     << Fixed(perFile, 1) << " µs, " << Fixed(perFile * 1e-6 * static_cast<double>(fileCount), 2)
     << " s over the tree.\n\n";

  md << "| search | lines | trawlix-cli s (CPU) | Ok→results shown s | Ok→list painted s (CPU) "
        "| ratio | ≤ 1.1 | label showed files | event turns | label paints | gauge paints |\n"
        "|---|---|---|---|---|---|---|---|---|---|---|\n";
  std::map<std::string, double> runTime;  // the fastest, so that most clicks land in the run
  bool allHold = true;
  std::string largest;
  size_t largestLines = 0;
  for (const std::string& text : o.queries) {
    if (!o.cold) RunCli(o, text);  // warm the cache
    std::vector<double> cliWall, cliCpu, shown, painted, cpu;
    WindowRun last;
    for (int r = 0; r < o.runs; ++r) {
      if (o.cold) Evict(folders);
      const CliRun c = RunCli(o, text);
      cliWall.push_back(c.wall);
      cliCpu.push_back(c.cpu);
      if (o.cold) Evict(folders);
      last = RunWindow(probe, text);
      shown.push_back(last.toShown);
      painted.push_back(last.toPaint);
      cpu.push_back(last.cpu);
      std::fprintf(stderr, "%s run %d: cli %.2f s, window %.2f s, %zu files shown\n", text.c_str(),
                   r + 1, c.wall, last.toPaint, last.files);
    }
    const size_t lines = frmMain->Results().LineCount();
    if (lines > largestLines) largestLines = lines, largest = text;
    const double ratio = Median(painted) / Median(cliWall);
    // The window searches with as many threads as trawlix-cli: its own share is the progress
    // window's label, gauges and event turns, and the list's first paint.
    const bool holds = ratio <= 1.1 && last.files == fileCount;
    allHold = allHold && holds;
    runTime[text] = *std::min_element(painted.begin(), painted.end());
    md << "| " << text << " | " << lines << " | " << Fixed(Median(cliWall), 2) << " ("
       << Fixed(Median(cliCpu), 2) << ") | " << Fixed(Median(shown), 2) << " | "
       << Fixed(Median(painted), 2) << " (" << Fixed(Median(cpu), 2) << ") | " << Fixed(ratio, 2)
       << " | " << Verdict(ratio <= 1.1) << " | " << last.files << " / " << fileCount << " "
       << Verdict(last.files == fileCount) << " | " << last.turns << " | " << last.labelPaints
       << " | " << last.gaugePaints << " |\n";
  }

  md << "\nCancel, clicked at a random moment of the run (mouse press and release queued from "
        "another thread):\n\n"
        "| search | click at s | click taken after ms | run returned after ms | files started "
        "after the click | ≤ 1 |\n|---|---|---|---|---|---|\n";
  for (const std::string& text : o.queries) {
    std::uniform_real_distribution<double> moment(0.05, 0.7);
    for (int r = 0; r < kCancelClicks; ++r) {
      const auto delay = std::chrono::duration_cast<Clock::duration>(
          std::chrono::duration<double>(moment(random) * runTime[text]));
      const CancelRun c = RunCancel(probe, text, delay);
      if (c.resultsShown) {  // the run was over before the click: nothing to cancel
        md << "| " << text << " | " << Fixed(c.at, 2) << " | (run over) | | | |\n";
        continue;
      }
      const bool holds = c.taken >= 0 && c.startedAfter <= 1;
      allHold = allHold && holds;
      md << "| " << text << " | " << Fixed(c.at, 2) << " | "
         << (c.taken >= 0 ? Fixed(c.taken, 1) : std::string("never")) << " | "
         << Fixed(c.returned, 1) << " | " << c.startedAfter << " | " << Verdict(holds) << " |\n";
    }
  }

  // The largest results of the runs above, once more through the window alone.
  RunWindow(probe, largest);
  const TSearchResults& results = frmMain->Results();
  std::vector<double> handed, painted;
  ScrollSteps steps;
  for (int r = 0; r < o.runs; ++r) {
    const ResultsRun open = OpenResults(probe, results);
    handed.push_back(open.setResults);
    painted.push_back(open.toPaint);
    ScrollSteps s = Scroll(random, 200);
    for (const auto* v : {&s.jump, &s.pageDown}) {
      const auto slowest = std::max_element(v->begin(), v->end());
      std::fprintf(stderr, "opening %d: %s slowest step #%td: %.2f ms\n", r + 1,
                   v == &s.jump ? "jump" : "page-down", slowest - v->begin(), *slowest);
    }
    steps.jump.insert(steps.jump.end(), s.jump.begin(), s.jump.end());
    steps.pageDown.insert(steps.pageDown.end(), s.pageDown.begin(), s.pageDown.end());
    frmResults->hide();
  }
  const bool opens = Median(painted) < 100;
  allHold = allHold && opens;
  md << "\nResults window with the " << results.LineCount() << " lines of \"" << largest << "\" ("
     << o.runs << " openings, 200 jumps and 200 page-downs each):\n\n"
     << "| SetResults ms | to first paint ms | < 100 ms | jump step median / p95 / max ms | "
        "page-down step median / p95 / max ms |\n|---|---|---|---|---|\n"
     << "| " << Fixed(Median(handed), 1) << " | " << Fixed(Median(painted), 1) << " | "
     << Verdict(opens) << " | " << Fixed(Median(steps.jump), 2) << " / "
     << Fixed(Percentile(steps.jump, 0.95), 2) << " / " << Fixed(Max(steps.jump), 2) << " | "
     << Fixed(Median(steps.pageDown), 2) << " / " << Fixed(Percentile(steps.pageDown, 0.95), 2)
     << " / " << Fixed(Max(steps.pageDown), 2) << " |\n";
  md << "\nAll targets hold: " << (allHold ? "yes" : "no") << "\n";

  std::cout << md.str();
  if (!o.out.empty()) std::ofstream(o.out) << md.str();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const Options options = ParseOptions(argc, argv);
    if (!DisplayAvailable()) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    TApplication application(argc, argv);
    CreateWindows();
    const int status = options.longLines ? LongLinesBench(options) : Bench(options);
    DestroyWindows();
    return status;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "window_bench: %s\n", error.what());
    return 2;
  }
}
