// The commands of tunaro-cli, one file each.
#pragma once

#include <string>
#include <string_view>

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

// The usage text of one command, or of all for an empty name; PrintHelp prints it to
// standard output and gives the exit status of a successful run.
std::string Usage(std::string_view command);
int PrintHelp(std::string_view command);

// Why a FILE operand cannot be read, in plain words ("no such file", "is a folder, not a
// file", ...); empty when it is a regular file that opens for reading. `readError` is the
// errno of a read that failed after all, said when the file itself opens.
std::string WhyUnreadable(const std::string& path, int readError = 0);

int CmdRename(int argc, char** argv);
int CmdTags(int argc, char** argv);
int CmdExport(int argc, char** argv);
int CmdUndo(int argc, char** argv);

}  // namespace tunaro::cli
