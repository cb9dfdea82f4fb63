#include <cstdio>
#include <string>

#include "cli/args.h"
#include "cli/cli_host.h"
#include "cli/commands.h"
#include "engine/file_types.h"
#include "engine/list_export.h"
#include "engine/scan.h"
#include "platform/fs.h"

namespace tunaro::cli {

namespace {

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tunaro-cli export: %s\n%s", message.c_str(), Usage("export").c_str());
  return kExitUsage;
}

bool FormByName(const std::string& name, engine::TExportForm& form) {
  if (name == "html")
    form = engine::TExportForm::Html;
  else if (name == "m3u")
    form = engine::TExportForm::M3u;
  else if (name == "pls")
    form = engine::TExportForm::Pls;
  else
    return false;
  return true;
}

}  // namespace

// A script names the output itself, so the name is kept as given; the window alone gives
// the name the extension of the chosen form.
int CmdExport(int argc, char** argv) {
  const TArgs args(argc, argv, 2, {"-r"}, {"-f", "-t"});
  if (args.Help) return PrintHelp("export");
  if (!args.Error.empty()) return UsageError(args.Error);
  if (args.Operands.size() != 2) return UsageError("give a FOLDER and an OUTPUT file");
  engine::TExportForm form{};
  if (!args.Has("-f")) return UsageError("choose the form with -f html, -f m3u or -f pls");
  if (!FormByName(args.Value("-f"), form))
    return UsageError("unknown form '" + args.Value("-f") + "'");
  const std::string type = args.Value("-t", "mp3");
  const int row = engine::FileTypeRowByName(type);
  if (row < 0) return UsageError("unknown type '" + type + "'");
  const std::string& output = args.Operands[1];
  platform::TEntryKind kind = platform::TEntryKind::Other;
  platform::ProbeRegularFile(output, kind);
  if (kind == platform::TEntryKind::Directory)
    return UsageError(output + " is a folder: OUTPUT names the file to write");

  TCliHost host("");
  host.SetPrintOutcomes(false);
  auto& state = host.State();
  state.CurrentExtension = engine::kFileTypes[static_cast<size_t>(row)].Extension;
  state.FileType = row;
  state.ProcessSubDirectory = args.Has("-r");

  // Full paths: a playlist or page is opened from elsewhere than the folder it was made in.
  std::string folder = platform::AbsolutePath(args.Operands[0]);
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  engine::FolderRefresh(host, folder);
  host.EndProgress();
  if (host.Entries().Count() == 0) {
    std::fprintf(stderr, "tunaro-cli export: no %s file found in %s\n", type.c_str(),
                 folder.c_str());
    return kExitUsage;
  }

  const platform::TIoError error = engine::WriteList(output, form, host.Entries(), false);
  if (error) {
    std::fprintf(stderr, "tunaro-cli export: %s: %s\n", error.Path.c_str(), error.Text().c_str());
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace tunaro::cli
