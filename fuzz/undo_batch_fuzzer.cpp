// The undo batch reader on arbitrary bytes, and the round trip of an old name through the
// batch file's encoding: what the run writes for a name, the replay must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/run_files.h"
#include "engine/undo_replay.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tunaro;
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  const auto parsed = engine::ParseUndoBatch(in);
  for (const auto& step : parsed.Steps) Check(!step.NewPath.empty() && !step.OldPath.empty());
  Check(parsed.BadLines.size() == parsed.BadLineFaults.size());

  // Any name a file may have, UTF-8 or not, renamed to a new name of the same bytes or of a
  // plain one, written as the run writes it and read back.
  const std::string name(in);
  if (name.empty() || name == "." || name == ".." ||
      name.find_first_of(std::string_view("/\r\n\0", 4)) != std::string::npos)
    return 0;
  const std::string folder = "/nonexistent-tunaro-fuzz/";
  // With a `" "` in both texts the split is settled by the files on disk, and here there are
  // none: the same-name case is checked only for names without a quote.
  const bool quoted = name.find('"') != std::string::npos;
  for (const std::string& newName : {std::string("x"), quoted ? std::string("y") : name}) {
    const std::string line = engine::UndoLine(folder + name, folder + newName) + "\r\n";
    const auto batch = engine::ParseUndoBatch(line);
    Check(batch.Steps.size() == 1);
    Check(batch.Steps[0].OldPath == folder + name);
    Check(batch.Steps[0].NewPath == folder + newName);
  }
  return 0;
}
