// Replays saved fuzz inputs through a fuzz target without libFuzzer, so that every input that
// once found a fault, and the corpus that reached the code's corners, keeps running in the
// normal build (and under the address checker in the sanitizer build).
// Usage: fuzz_replay_T FOLDER_OR_FILE...
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// An input that takes this long is a hang in the making; one that takes the watchdog's time
// is a hang, and ends the replay with its name.
constexpr double kSlowSeconds = 2.0;
constexpr unsigned kWatchdogSeconds = 10;
const char* gCurrent = "";

void OnWatchdog(int) {
  const char text[] = "hang (no end within the watchdog's time): ";
  (void)!write(STDERR_FILENO, text, sizeof text - 1);
  size_t n = 0;
  while (gCurrent[n] != 0) ++n;
  (void)!write(STDERR_FILENO, gCurrent, n);
  (void)!write(STDERR_FILENO, "\n", 1);
  _exit(1);
}

bool Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>()};
  gCurrent = file.c_str();
  alarm(kWatchdogSeconds);
  const auto start = std::chrono::steady_clock::now();
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  alarm(0);
  if (seconds > kSlowSeconds) {
    std::fprintf(stderr, "%s: %.1f s\n", file.c_str(), seconds);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  signal(SIGALRM, OnWatchdog);
  size_t count = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    const fs::path root = argv[i];
    if (!fs::exists(root)) {
      std::fprintf(stderr, "missing corpus %s\n", argv[i]);
      return 1;
    }
    std::vector<fs::path> files;
    if (fs::is_directory(root)) {
      for (const auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) files.push_back(e.path());
    } else {
      files.push_back(root);
    }
    for (const auto& f : files) {
      ok = Replay(f) && ok;
      ++count;
    }
  }
  std::printf("replayed %zu inputs\n", count);
  return ok && count > 0 ? 0 : 1;
}
