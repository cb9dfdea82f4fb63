#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>

#include "platform/shell_open.h"

namespace tunaro::platform {

bool ShellOpen(const std::string& target) {
  // xdg-open gets the target as one argument: no shell ever sees it. The opener runs in a
  // grandchild so that it is never left behind as a zombie of this process.
  std::string arg = target;
  char program[] = "xdg-open";
  char* argv[] = {program, arg.data(), nullptr};
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    if (fork() == 0) {
      setsid();
      const int devNull = open("/dev/null", O_RDWR);
      if (devNull >= 0) {
        dup2(devNull, 0);
        dup2(devNull, 1);
        dup2(devNull, 2);
      }
      execvp(program, argv);
      _exit(127);
    }
    _exit(0);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tunaro::platform
