// Lists a folder of 100,000 files in a real main window on the offscreen platform and reports
// the time of the folder refresh and the longest gap between two processed events (a 1 ms
// timer stands for the user's input). Usage: bench_window [file count]
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "ui/folder_tree.h"
#include "ui/form_main.h"
#include "widgets/long_check_list_box.h"

namespace {

// Watches the event loop: the longest time between two runs of a 1 ms timer.
class TGapMeter {
 public:
  TGapMeter() {
    Timer_.setInterval(1);
    QObject::connect(&Timer_, &QTimer::timeout, [this] {
      const qint64 now = Clock_.nsecsElapsed();
      if (Last_ >= 0 && now - Last_ > Longest_) Longest_ = now - Last_;
      Last_ = now;
      ++Ticks_;
    });
  }
  void Start() {
    Longest_ = 0;
    Ticks_ = 0;
    Clock_.start();
    Last_ = 0;
    Timer_.start();
  }
  // Stops and counts the wait up to now as one more gap.
  void Stop() {
    const qint64 now = Clock_.nsecsElapsed();
    if (now - Last_ > Longest_) Longest_ = now - Last_;
    Timer_.stop();
  }
  double LongestMs() const { return Longest_ / 1e6; }
  long Ticks() const { return Ticks_; }

 private:
  QTimer Timer_;
  QElapsedTimer Clock_;
  qint64 Last_ = -1;
  qint64 Longest_ = 0;
  long Ticks_ = 0;
};

double TimeMs(const std::function<void()>& work, TGapMeter& gaps) {
  QElapsedTimer clock;
  gaps.Start();
  clock.start();
  work();
  const double ms = clock.nsecsElapsed() / 1e6;
  gaps.Stop();
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int count = argc > 1 ? std::atoi(argv[1]) : 100000;

  namespace fs = std::filesystem;
  std::string base = (fs::temp_directory_path() / "tunaro-bench-XXXXXX").string();
  if (!mkdtemp(base.data())) return 1;
  const std::string folder = base + "/music";
  const std::string empty = base + "/empty";
  fs::create_directory(folder);
  fs::create_directory(empty);
  for (int i = 0; i < count; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "/Artist %06d - Title.mp3", i);
    const int fd = ::open((folder + name).c_str(), O_CREAT | O_WRONLY, 0644);
    if (fd >= 0) ::close(fd);
  }
  std::printf("files: %d in %s\n", count, folder.c_str());

  tunaro::ui::TFormMain form(base, empty);
  form.show();
  QCoreApplication::processEvents();
  TGapMeter gaps;

  auto report = [&](const char* what, double ms) {
    std::printf("%-34s %9.1f ms   longest event gap %6.1f ms   (%ld timer runs)\n", what, ms,
                gaps.LongestMs(), gaps.Ticks());
  };
  auto refresh = [&] {
    form.ShellTreeView->SelectFolder(folder);
    form.ShellTreeViewChange();
  };
  report("folder refresh (first)", TimeMs(refresh, gaps));
  std::printf("  entries %zu, rows in the view %d, total shown %s\n", form.Entries().Count(),
              form.LongCheckListBoxFileNames->model()->rowCount(),
              form.StaticTextTotal->text().toUtf8().constData());
  report("folder refresh (again)", TimeMs(refresh, gaps));
  // The check marks change at once; the events after them repaint the list.
  report("select all and repaint", TimeMs(
                                       [&] {
                                         form.ButtonSelectAllClick();
                                         QCoreApplication::processEvents();
                                       },
                                       gaps));
  report("select none and repaint", TimeMs(
                                        [&] {
                                          form.ButtonDeselectAllClick();
                                          QCoreApplication::processEvents();
                                        },
                                        gaps));
  form.LongCheckListBoxFileNames->scrollToBottom();
  report("scroll to the end and paint", TimeMs([&] { form.repaint(); }, gaps));
  // A run over the whole list with nothing checked: every entry visited, then the refresh.
  report("rename run, nothing checked", TimeMs([&] { form.ButtonRenameClick(); }, gaps));
  form.MenuItemProcessSubDirectoryClick();
  form.ShellTreeView->SelectFolder(base);
  report("recursive refresh of the parent", TimeMs([&] { form.ShellTreeViewChange(); }, gaps));
  std::printf("  entries %zu\n", form.Entries().Count());

  form.close();
  std::error_code ec;
  fs::remove_all(base, ec);
  return 0;
}
