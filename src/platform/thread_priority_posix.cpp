#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tunaro::platform {

void LowerThreadPriority(int steps) {
#if defined(__linux__)
  // On Linux a thread has a nice value of its own, set through its thread id.
  const auto self = static_cast<id_t>(syscall(SYS_gettid));
  errno = 0;
  const int now = getpriority(PRIO_PROCESS, self);
  if (errno != 0) return;
  static_cast<void>(setpriority(PRIO_PROCESS, self, std::min(19, now + std::max(0, steps))));
#else
  // Elsewhere the nice value is the whole process's: the helper keeps its priority.
  static_cast<void>(steps);
#endif
}

}  // namespace tunaro::platform
