// tunaro-cli rename --undo killed (SIGKILL) at random moments of a long run. Whatever the
// moment, every file must be under its old name or its new one, and the undo file the run
// left must bring every renamed file back: the undo line reaches the file before its rename.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "support/run_command.h"
#include "support/temp_dir.h"

namespace tunaro::test {
namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

#if defined(__SANITIZE_ADDRESS__)
#define TUNARO_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TUNARO_SANITIZED 1
#endif
#endif

// The sanitizer build runs the program several times slower: fewer files there, as many kills.
#ifdef TUNARO_SANITIZED
constexpr int kFiles = 2000;
#else
constexpr int kFiles = 20000;
#endif
constexpr int kKills = 50;

// Starts tunaro-cli with its output thrown away; returns the process id.
pid_t Start(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  std::string program = TUNARO_CLI;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (auto& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

std::unordered_set<std::string> Names(const std::string& dir) {
  std::unordered_set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

std::string OldName(int i) {
  char b[32];
  std::snprintf(b, sizeof b, "f%05d.mp3", i);
  return b;
}

// Every 97th file has the title of the file before it: its new name is taken by then or
// later, so refused renames happen all through the run.
std::string Title(int i) {
  char b[32];
  std::snprintf(b, sizeof b, "t%05d", i % 97 == 96 ? i - 1 : i);
  return b;
}

TEST(KilledRun, EveryRenamedFileIsUnderOneNameAndTheUndoFileBringsItBack) {
  // Renames in a memory file system where there is one, to keep the test short.
  const bool shm = access("/dev/shm", W_OK) == 0;
  TTempDir base = shm ? TTempDir("/dev/shm") : TTempDir();
  const std::string music = base.MakeDir("music"), logDir = base.MakeDir("log");
  std::vector<std::string> oldNames(kFiles), newNames(kFiles);
  for (int i = 0; i < kFiles; ++i) {
    oldNames[i] = OldName(i);
    newNames[i] = Title(i) + ".mp3";
    base.Write("music/" + oldNames[i],
               std::string(1, static_cast<char>(i)) + ID3v1Block(Title(i), "A"));
  }
  const std::unordered_set<std::string> original(oldNames.begin(), oldNames.end());
  const std::vector<std::string> rename = {"rename", "--undo", "--log-dir", logDir,
                                           "-p",     "%2",     music};
  auto undoFile = [&] {
    std::string bat;
    for (const auto& e : fs::directory_iterator(logDir)) bat = e.path().string();
    return bat;
  };
  // Brings the folder back with the undo file the run left, then removes it: the next run
  // may start within the same second, and would append to it.
  auto undoAll = [&](const char* when) {
    const std::string bat = undoFile();
    if (!bat.empty()) {
      const TCommandResult r = RunCommand(TUNARO_CLI, {"undo", bat});
      EXPECT_EQ(r.Status, 0) << when << "\n" << r.Err;
      fs::remove(bat);
    }
    return Names(music) == original;
  };

  // One whole run first: it must rename all but the taken ones, and gives the time a run
  // takes, over which the kills spread.
  const auto t0 = TClock::now();
  const TCommandResult whole = RunCommand(TUNARO_CLI, rename);
  const auto runTime = TClock::now() - t0;
  EXPECT_EQ(whole.Status, 1);  // the taken names failed
  const std::unordered_set<std::string> renamed = Names(music);
  EXPECT_EQ(renamed.size(), static_cast<size_t>(kFiles));
  EXPECT_EQ(renamed.count(newNames[0]), 1u);
  ASSERT_TRUE(undoAll("after the whole run"));

  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 random(seed);
  std::uniform_int_distribution<int64_t> delay(
      0, std::chrono::duration_cast<std::chrono::microseconds>(runTime).count());
  int kills = 0, attempts = 0;
  while (kills < kKills && attempts < 4 * kKills) {
    ++attempts;
    const pid_t pid = Start(rename);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ++kills;

    // No file lost, none doubled: each under exactly one of its two names.
    const std::unordered_set<std::string> now = Names(music);
    ASSERT_EQ(now.size(), static_cast<size_t>(kFiles)) << "kill " << kills;
    for (int i = 0; i < kFiles; ++i)
      ASSERT_TRUE(now.count(oldNames[i]) || now.count(newNames[i]))
          << oldNames[i] << " lost at kill " << kills;
    ASSERT_TRUE(undoAll("after a kill")) << "not all back after kill " << kills;
  }
  EXPECT_GE(kills, kKills) << "the runs ended before the kills came";
  // The bytes too, once: each file's first byte is its number.
  for (int i = 0; i < kFiles; ++i)
    ASSERT_EQ(ReadFile(music + "/" + oldNames[i])[0], static_cast<char>(i));
  std::printf("%d files, %d kills in %d runs, a whole run %.2f s, %s\n", kFiles, kills, attempts,
              std::chrono::duration<double>(runTime).count(), shm ? "/dev/shm" : "temp folder");
}

}  // namespace
}  // namespace tunaro::test
