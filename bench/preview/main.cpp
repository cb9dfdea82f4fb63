// Opens the preview of a real main window over a folder of tagged MP3 files (every tenth
// one's new name taken, so that failing rows are marked too) on the offscreen platform, and
// reports the dry run's time, the time until the table is shown and painted, and the
// slowest and mean paint of a scroll step. Usage: bench_preview [file count]
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "ui/dialog_plan.h"
#include "ui/form_main.h"

namespace {

// Some audio-like bytes and an ID3v1 tag.
std::string TaggedMp3(const std::string& artist, const std::string& title) {
  std::string tag(128, '\0');
  std::memcpy(tag.data(), "TAG", 3);
  std::memcpy(tag.data() + 3, title.data(), std::min<size_t>(title.size(), 30));
  std::memcpy(tag.data() + 33, artist.data(), std::min<size_t>(artist.size(), 30));
  tag[127] = static_cast<char>(255);
  return std::string(64, '\xFF') + tag;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  if (fd < 0) return;
  if (::write(fd, bytes.data(), bytes.size()) < 0) std::perror(path.c_str());
  ::close(fd);
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
  fs::create_directory(folder);
  for (int i = 0; i < count; ++i) {
    char name[64], title[32];
    std::snprintf(name, sizeof name, "/track %06d.mp3", i);
    std::snprintf(title, sizeof title, "Title %06d", i);
    WriteFile(folder + name, TaggedMp3("Artist", title));
    // A folder takes the name and stays out of the list, which holds regular files only.
    if (i % 10 == 0) fs::create_directory(folder + "/Artist - " + title + ".mp3");
  }
  std::printf("files: %d tagged in %s\n", count, folder.c_str());

  tunaro::ui::TFormMain form(base, folder);
  form.ComboBoxChooseFileType->setCurrentIndex(0);
  form.ButtonSelectAllClick();
  form.show();
  QCoreApplication::processEvents();

  QElapsedTimer clock;
  double dryMs = 0, openMs = 0, tableMs = 0, stepMax = 0, stepSum = 0;
  int rows = 0, failures = 0, steps = 0;
  form.ConfirmPlan = [&](tunaro::ui::TDialogPlan& plan) {
    dryMs = clock.nsecsElapsed() / 1e6;
    clock.start();
    plan.show();
    plan.TablePlan->viewport()->repaint();
    QCoreApplication::processEvents();
    openMs = clock.nsecsElapsed() / 1e6;
    rows = plan.Model->rowCount();
    failures = static_cast<int>(plan.Model->Failures());
    // Page steps down the first screens, then jumps across the whole table.
    QScrollBar* bar = plan.TablePlan->verticalScrollBar();
    for (int i = 0; i < 400; ++i) {
      const int to = i < 200 ? i * bar->pageStep() : (i * 7919) % (bar->maximum() + 1);
      QElapsedTimer step;
      step.start();
      bar->setValue(to);
      plan.TablePlan->viewport()->repaint();
      const double ms = step.nsecsElapsed() / 1e6;
      stepMax = std::max(stepMax, ms);
      stepSum += ms;
      ++steps;
    }
    // The table alone: a new dialog given the same rows, from its construction to its paint.
    std::vector<tunaro::ui::TPlanRow> copy = plan.Model->Rows();
    clock.start();
    tunaro::ui::TDialogPlan again(QStringLiteral("x"), {"a", "b", "c"}, QStringLiteral("ok"),
                                  &form);
    again.Model->SetRows(std::move(copy));
    again.show();
    again.TablePlan->viewport()->repaint();
    QCoreApplication::processEvents();
    tableMs = clock.nsecsElapsed() / 1e6;
    return false;
  };
  clock.start();
  // The dialog is built after the dry run; the time until the seam is the dry run and the
  // filling of the model.
  form.MenuItemPreviewClick();
  std::printf("dry run of %d files and model filled %9.1f ms\n", rows, dryMs);
  std::printf("table shown and painted              %9.1f ms  (%d rows, %d marked failing)\n",
              openMs, rows, failures);
  std::printf("a new dialog with these rows, painted %9.1f ms\n", tableMs);
  std::printf("scroll step paint, mean / slowest    %9.2f / %.2f ms over %d steps\n",
              stepSum / steps, stepMax, steps);

  form.close();
  std::error_code ec;
  fs::remove_all(base, ec);
  return 0;
}
