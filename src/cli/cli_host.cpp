#include "cli/cli_host.h"

#include <unistd.h>

#include "engine/rename_run.h"

namespace tunaro::cli {

TCliHost::TCliHost(std::string desktopDir)
    : DesktopDir_(std::move(desktopDir)), Progress_(isatty(STDERR_FILENO) != 0) {}

void TCliHost::CounterDisplayRefresh() {
  if (!Progress_) return;
  // Drawing costs more than a file: redraw at most ten times a second.
  const auto now = std::chrono::steady_clock::now();
  if (now - LastDraw_ < std::chrono::milliseconds(100)) return;
  LastDraw_ = now;
  const auto& c = State_.Counters;
  const int width = 30;
  const int filled = c.Progress * width / 100;
  std::fprintf(stderr, "\r[%.*s%*s] %3d%%  %d/%d/%d ", filled, "##############################",
               width - filled, "", c.Progress, c.Success, c.Failure, c.Total);
  std::fflush(stderr);
  ProgressShown_ = true;
}

void TCliHost::EndProgress() {
  if (ProgressShown_) std::fprintf(stderr, "\r%*s\r", 60, "");
  ProgressShown_ = false;
}

void TCliHost::FolderCodePage(const std::string& folder, const platform::TFolderReading&,
                              const std::string& text) {
  if (!PrintOutcomes_ || text.empty()) return;
  EndProgress();
  const std::string line = text + "：" + folder + "\n";
  std::fwrite(line.data(), 1, line.size(), stdout);
}

void TCliHost::FileDone(const engine::TFileOutcome& outcome) {
  if (!PrintOutcomes_) return;
  EndProgress();
  std::string& line = Line_;  // kept: a run prints a line a file
  line.assign(outcome.Success ? kSuccessWord : kFailureWord);
  line += outcome.OldPath;
  line += " -> ";
  line += outcome.NewPath;
  if (!outcome.Success) {
    line += outcome.NewPath.empty() ? "(" : " (";
    line += engine::FailReasonText(outcome.Reason, outcome.Errno);
    line += ')';
  }
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stdout);
}

}  // namespace tunaro::cli
