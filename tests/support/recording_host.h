// A front end for engine tests: the list and state in memory, every counter display and
// every outcome recorded, and a hook that runs at each refresh (where the window would let
// other events run) so that a test can act in the middle of a scan or a run.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engine/host.h"

namespace tunaro::test {

struct TOutcome {
  std::string OldPath, NewPath;
  bool Success;
  engine::TFailReason Reason = engine::TFailReason::None;
  bool operator==(const TOutcome&) const = default;
};

class TRecordingHost : public engine::TEngineHost {
 public:
  explicit TRecordingHost(std::string desktop = "") : Desktop(std::move(desktop)) {}

  engine::TFileList& Entries() override { return List; }
  engine::TRunState& State() override { return Run; }
  void CounterDisplayRefresh() override {
    Shown.push_back(Run.Counters);
    if (OnRefresh) OnRefresh();
  }
  std::string DesktopDir() const override { return Desktop; }
  void FileDone(const engine::TFileOutcome& o) override {
    Outcomes.push_back({o.OldPath, o.NewPath, o.Success, o.Reason});
  }

  // The paths of the list, in order.
  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    for (size_t i = 0; i < List.Count(); ++i) paths.push_back(List.Path(i));
    return paths;
  }
  // The progress values shown, without repeats.
  std::vector<int> ProgressSteps() const {
    std::vector<int> steps;
    for (const auto& c : Shown)
      if (steps.empty() || steps.back() != c.Progress) steps.push_back(c.Progress);
    return steps;
  }

  engine::TFileList List;
  engine::TRunState Run;
  std::string Desktop;
  std::vector<engine::TCounters> Shown;
  std::vector<TOutcome> Outcomes;
  std::function<void()> OnRefresh;
};

}  // namespace tunaro::test
