#include <cerrno>
#include <cstdio>

#include "cli/args.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "engine/rename_run.h"
#include "engine/scan.h"
#include "platform/fs.h"
#include "platform/io_error.h"
#include "platform/user_folders.h"

namespace tunaro::cli {

namespace {

// The folder of the log and the undo file must be there before any file is renamed. Without
// --log-dir it is the desktop folder, made when missing (not by a dry run, which only asks
// whether it could be). Says plainly on stderr when the folder is missing; false then.
bool LogFolderReady(std::string& folder, bool make) {
  if (!folder.empty()) {
    const int err = platform::FolderState(folder);
    if (err == 0) return true;
    const std::string why =
        err == ENOTDIR ? "is not a folder" : "is missing (" + platform::IoErrorText(err) + ")";
    std::fprintf(stderr,
                 "tunaro-cli rename: %s %s; give an existing folder for the log and undo files "
                 "with --log-dir DIR\n",
                 folder.c_str(), why.c_str());
    return false;
  }
  const platform::TDesktopFolder desktop =
      platform::MakeDesktopFolder(platform::TUserEnvironment::FromProcess(), make);
  folder = desktop.Path;
  if (desktop.Made)
    std::fprintf(stderr, "tunaro-cli rename: made the desktop folder %s\n", folder.c_str());
  if (desktop.Errno == 0) return true;
  if (folder.empty())
    std::fprintf(stderr,
                 "tunaro-cli rename: there is no desktop folder (HOME is not set); give "
                 "a folder for the log and undo files with --log-dir DIR\n");
  else
    std::fprintf(stderr,
                 "tunaro-cli rename: the desktop folder %s is missing and cannot be made (%s); "
                 "give a folder for the log and undo files with --log-dir DIR\n",
                 folder.c_str(), platform::IoErrorText(desktop.Errno).c_str());
  return false;
}

}  // namespace

int CmdRename(int argc, char** argv) {
  const TArgs args(argc, argv, 2, {"-r", "--log", "--undo", "-n"},
                   {"-t", "-p", "--log-dir", "-c", "--read-ahead"});
  if (args.Help) return PrintHelp("rename");
  if (!args.Error.empty() || args.Operands.size() != 1) {
    std::fprintf(stderr, "tunaro-cli rename: %s\n",
                 args.Error.empty() ? "give exactly one FOLDER" : args.Error.c_str());
    return kExitUsage;
  }
  const std::string type = args.Value("-t", "mp3");
  const int row = engine::FileTypeRowByName(type);
  if (row < 0) {
    std::fprintf(stderr, "tunaro-cli rename: unknown type '%s'\n", type.c_str());
    return kExitUsage;
  }
  platform::TCodePage codePage;
  if (!CodePageOption(args, "rename", codePage)) return kExitUsage;
  engine::TRunSettings settings;
  if (!args.Count("--read-ahead", 256, settings.ReadAheadThreads)) {
    std::fprintf(stderr, "tunaro-cli rename: --read-ahead takes 0 to 256 threads\n");
    return kExitUsage;
  }
  std::string desktop = args.Value("--log-dir");
  if ((args.Has("--log") || args.Has("--undo")) && !LogFolderReady(desktop, !args.Has("-n")))
    return kExitUsage;

  TCliHost host(desktop);
  auto& state = host.State();
  state.CurrentExtension = engine::kFileTypes[static_cast<size_t>(row)].Extension;
  state.FileType = row;
  state.ProcessSubDirectory = args.Has("-r");
  state.KeepLog = args.Has("--log");
  state.CreateUndoBatch = args.Has("--undo");

  // Full paths, as the window gives: the log and the undo file must name the files wherever
  // they are read from. ".." is left to the system: "link/.." is the link target's parent.
  std::string folder = platform::AbsolutePath(args.Operands[0]);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  engine::FolderRefresh(host, folder);
  if (host.Entries().Count() == 0) {
    host.EndProgress();
    std::fprintf(stderr, "tunaro-cli rename: no %s file found in %s\n", type.c_str(),
                 folder.c_str());
    return kExitUsage;
  }
  host.Entries().SetAllChecked(true);

  engine::TReaders readers;
  settings.Template = args.Value("-p", engine::kTemplatePresets[0]);
  settings.KeepLog = state.KeepLog;
  settings.CreateUndoBatch = state.CreateUndoBatch;
  settings.DryRun = args.Has("-n");
  settings.CodePage = codePage;
  const platform::TIoError error = engine::RenameRun(host, readers, settings);
  host.EndProgress();

  const auto& c = state.Counters;
  // A run of every type names no one extension.
  const std::string ext = static_cast<size_t>(row) == engine::kEveryTypeRow ? "音频"
                          : state.CurrentExtension.empty()                  ? ""
                                                           : state.CurrentExtension.substr(1);
  std::printf("总共找到%s文件：%d 个\n成功换名：%d 个\n换名失败：%d 个\n", ext.c_str(), c.Total,
              c.Success, c.Failure);
  if (error) {
    std::fflush(stdout);
    std::fprintf(stderr, "tunaro-cli rename: %s: %s\n", error.Path.c_str(), error.Text().c_str());
    return kExitUsage;
  }
  return c.Failure > 0 ? kExitSomeFailed : kExitOk;
}

}  // namespace tunaro::cli
