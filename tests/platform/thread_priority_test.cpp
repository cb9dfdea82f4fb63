#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

#include <gtest/gtest.h>

namespace tunaro::platform {
namespace {

int OwnNice() {
  return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
}

// A helper thread lowers its own priority and no one else's: were the whole process lowered,
// the run's thread would lose the CPU it is meant to keep. A raise is never asked for (it
// would need privileges), and the lowest level is the floor.
TEST(ThreadPriority, LowersTheCallingThreadOnly) {
  const int before = OwnNice();
  struct TCase {
    int Steps;
    int Expected;
  };
  for (const TCase c :
       {TCase{3, std::min(19, before + 3)}, TCase{0, before}, TCase{-5, before}, TCase{40, 19}}) {
    int inThread = -100;
    std::thread helper([&] {
      LowerThreadPriority(c.Steps);
      inThread = OwnNice();
    });
    helper.join();
    EXPECT_EQ(inThread, c.Expected) << "steps " << c.Steps;
    EXPECT_EQ(OwnNice(), before) << "steps " << c.Steps;
  }
}

}  // namespace
}  // namespace tunaro::platform
