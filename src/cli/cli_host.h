// The command line's side of the engine: the list and state in memory, a progress bar on
// stderr when it is a terminal, and one line per checked file.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "engine/host.h"

namespace tunaro::cli {

class TCliHost : public engine::TEngineHost {
 public:
  explicit TCliHost(std::string desktopDir);

  engine::TFileList& Entries() override { return List_; }
  engine::TRunState& State() override { return State_; }
  void CounterDisplayRefresh() override;
  std::string DesktopDir() const override { return DesktopDir_; }
  void FileDone(const engine::TFileOutcome& outcome) override;
  // "按 Big5 读取：FOLDER", as the run log says it, before the folder's first file.
  void FolderCodePage(const std::string& folder, const platform::TFolderReading& reading,
                      const std::string& text) override;

  void SetPrintOutcomes(bool print) { PrintOutcomes_ = print; }
  // Clears the progress line before other output goes to the terminal.
  void EndProgress();

 private:
  engine::TFileList List_;
  engine::TRunState State_;
  std::string DesktopDir_;
  bool Progress_ = false;
  bool ProgressShown_ = false;
  std::string Line_;
  bool PrintOutcomes_ = true;
  std::chrono::steady_clock::time_point LastDraw_{};
};

// Texts of the run log's lines, in UTF-8, for the terminal.
inline constexpr const char* kSuccessWord = "成功：";
inline constexpr const char* kFailureWord = "失败：";

}  // namespace tunaro::cli
