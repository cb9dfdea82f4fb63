#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/args.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "engine/undo_replay.h"
#include "platform/fs.h"
#include "platform/io_error.h"

namespace tunaro::cli {

namespace {

// The runtime's texts know no "exists"; say it plainly, it is the common refusal here.
std::string ErrorText(int err) {
  if (err == EEXIST) return "File exists";
  if (err == EISDIR) return "Not a regular file";
  return platform::IoErrorText(err);
}

const char* LineFaultText(engine::TLineFault fault) {
  switch (fault) {
    case engine::TLineFault::RelativePath:
      return "a ren line with a relative path";
    case engine::TLineFault::LeavesFolder:
      return "a ren line whose old name would move the file out of its folder";
    case engine::TLineFault::NotAFile:
      return "a ren line whose file is a folder or a device";
    case engine::TLineFault::NotACommand:
      break;
  }
  return "not a rem or ren line";
}

}  // namespace

int CmdUndo(int argc, char** argv) {
  const TArgs args(argc, argv, 2, {"-n"}, {});
  if (args.Help) return PrintHelp("undo");
  if (!args.Error.empty() || args.Operands.size() != 1) {
    std::fprintf(stderr, "tunaro-cli undo: %s\n",
                 args.Error.empty() ? "give exactly one FILE.bat" : args.Error.c_str());
    return kExitUsage;
  }
  const std::string& batchPath = args.Operands[0];
  std::string bytes;
  if (const int err = platform::ReadRegularFile(batchPath, bytes)) {
    std::fprintf(stderr, "tunaro-cli undo: %s: %s\n", batchPath.c_str(),
                 WhyUnreadable(batchPath, err).c_str());
    return kExitUsage;
  }

  const engine::TUndoBatchContent batch = engine::ParseUndoBatch(bytes);
  for (size_t i = 0; i < batch.BadLines.size(); ++i)
    std::fprintf(stderr, "tunaro-cli undo: %s:%zu: %s, skipped\n", batchPath.c_str(),
                 batch.BadLines[i], LineFaultText(batch.BadLineFaults[i]));
  if (!batch.Steps.empty() && !batch.Closed)
    std::fprintf(stderr,
                 "tunaro-cli undo: %s has no closing line (the run stopped early); "
                 "replaying the lines it has\n",
                 batchPath.c_str());

  const bool dryRun = args.Has("-n");
  size_t done = 0, skipped = 0;
  const size_t failed =
      engine::ReplayUndoBatch(batch, dryRun, [&](const engine::TUndoOutcome& outcome) {
        std::string line = outcome.Skipped      ? "跳过："
                           : outcome.Errno == 0 ? kSuccessWord
                                                : kFailureWord;
        line += outcome.Step.NewPath;
        line += " -> ";
        line += outcome.Step.OldPath;
        if (outcome.Skipped) {
          skipped++;
          line +=
              " (line " + std::to_string(outcome.Step.LineNumber) + ": already under its old name)";
        } else if (outcome.Errno != 0)
          line += " (line " + std::to_string(outcome.Step.LineNumber) + ": " +
                  ErrorText(outcome.Errno) + ")";
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
        if (outcome.Errno == 0 && !outcome.Skipped) ++done;
      });
  std::printf("%s%zu 个\n换名失败：%zu 个\n", dryRun ? "可以恢复：" : "成功恢复：", done,
              failed + batch.BadLines.size());
  // Not a failure: a line written just before a run was killed, or a file already back.
  if (skipped > 0) std::printf("无需恢复：%zu 个\n", skipped);
  if (dryRun) std::printf("(-n: nothing was renamed)\n");
  return failed + batch.BadLines.size() > 0 ? kExitSomeFailed : kExitOk;
}

}  // namespace tunaro::cli
