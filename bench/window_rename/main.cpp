// The main window on a real folder of tagged files: lists it, checks every entry and runs
// the rename command, reporting the time of each step and the longest gap between two
// processed events (a 1 ms timer stands for the user's input). The folder's files are
// renamed. Usage: bench_window_rename FOLDER
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <string>

#include "ui/folder_tree.h"
#include "ui/form_main.h"

namespace {

class TGapMeter {
 public:
  TGapMeter() {
    Timer_.setInterval(1);
    QObject::connect(&Timer_, &QTimer::timeout, [this] { Tick(); });
  }
  void Start() {
    Longest_ = 0;
    Clock_.start();
    Last_ = 0;
    Timer_.start();
  }
  void Stop() {
    Tick();
    Timer_.stop();
  }
  double LongestMs() const { return static_cast<double>(Longest_) / 1e6; }

 private:
  void Tick() {
    const qint64 now = Clock_.nsecsElapsed();
    if (now - Last_ > Longest_) Longest_ = now - Last_;
    Last_ = now;
  }
  QTimer Timer_;
  QElapsedTimer Clock_;
  qint64 Last_ = 0;
  qint64 Longest_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_window_rename FOLDER DESKTOP\n");
    return 2;
  }
  const std::string folder = argv[1];
  tunaro::ui::TFormMain form(argv[2], argv[2]);
  form.ShowMessage = [](const QString&, const QString&) {};
  form.ShowError = [](const QString&, const QString&) {};
  form.show();
  QCoreApplication::processEvents();

  TGapMeter gaps;
  auto timed = [&](const char* what, const std::function<void()>& work) {
    QElapsedTimer clock;
    gaps.Start();
    clock.start();
    work();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    gaps.Stop();
    std::printf("{\"step\":\"%s\",\"ms\":%.1f,\"max_gap_ms\":%.1f,\"entries\":%zu}\n", what, ms,
                gaps.LongestMs(), form.Entries().Count());
  };
  timed("list", [&] {
    form.ShellTreeView->SelectFolder(folder);
    form.ShellTreeViewChange();
  });
  timed("select all", [&] { form.ButtonSelectAllClick(); });
  // The command runs the rename run and then lists the folder again, as the user sees it.
  timed("rename", [&] { form.ButtonRenameClick(); });
  form.close();
  return 0;
}
