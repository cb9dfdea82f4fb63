// The commands of tunaro-cli, one file each.
#pragma once

#include "cli/args.h"
#include "platform/codec.h"

namespace tunaro::cli {

// Exit codes shared by the commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;  // also: no file found, an I/O error of an output file

// The legacy code page of "-c NAME" (auto when absent); false, with a message on stderr
// naming the command, when the name is unknown.
bool CodePageOption(const TArgs& args, const char* command, platform::TCodePage& codePage);

int CmdRename(int argc, char** argv);
int CmdTags(int argc, char** argv);
int CmdExport(int argc, char** argv);
int CmdUndo(int argc, char** argv);

}  // namespace tunaro::cli
