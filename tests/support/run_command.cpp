#include "support/run_command.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "support/temp_dir.h"

namespace tunaro::test {

TCommandResult RunCommand(const std::string& program, const std::vector<std::string>& args) {
  return RunCommand(program, args, {});
}

TCommandResult RunCommand(const std::string& program, const std::vector<std::string>& args,
                          const TCommandSetting& setting) {
  TTempDir scratch;
  const std::string out = scratch / "out", err = scratch / "err";
  TCommandResult result;
  const pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = open("/dev/null", O_RDONLY);
    dup2(o, 1);
    dup2(e, 2);
    dup2(in, 0);
    if (!setting.Folder.empty() && chdir(setting.Folder.c_str()) != 0) _exit(126);
    if (setting.User >= 0 && (setgid(setting.User) != 0 || setuid(setting.User) != 0)) _exit(125);
    for (const auto& [name, value] : setting.Env) setenv(name.c_str(), value.c_str(), 1);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.Out = ReadFile(out);
  result.Err = ReadFile(err);
  return result;
}

TMadeLocale MakeLocale(const std::string& folder, const std::string& source,
                       const std::string& charmap) {
  const std::string name = source + "." + charmap;
  const std::string sources = "/usr/share/i18n/";  // where localedef looks by default
  std::string localedef;
  for (const char* program : {"/usr/bin/localedef", "/usr/sbin/localedef"})
    if (access(program, X_OK) == 0) localedef = program;
  if (localedef.empty()) return {"", "no localedef (the libc-bin package)"};
  for (const std::string& needed : {sources + "locales/" + source, sources + "charmaps/" + charmap})
    if (access(needed.c_str(), R_OK) != 0 && access((needed + ".gz").c_str(), R_OK) != 0)
      return {"", "no locale source " + needed + " (the locales package)"};
  // localedef warns (status 1) about some sources yet writes a usable locale.
  const auto r = RunCommand(localedef, {"-i", source, "-f", charmap, folder + "/" + name});
  if (access((folder + "/" + name + "/LC_CTYPE").c_str(), R_OK) != 0)
    return {"", "localedef made no " + name + ": " + r.Err};
  return {name, ""};
}

}  // namespace tunaro::test
