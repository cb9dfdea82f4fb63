// The undo batch reader on arbitrary bytes, and the round trip of an old name through the
// batch file's encoding: what the run writes for a name, the replay must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/undo_replay.h"
#include "platform/codec.h"

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

  // A name as a UTF-8 system gives it, written as the run writes it.
  const std::string name(in);
  if (name.empty() || name == "." || name == ".." || !platform::IsValidUtf8(name) ||
      name.find_first_of(std::string_view("/\r\n\0", 4)) != std::string::npos ||
      name.front() == ' ' || name.front() == '\t')
    return 0;
  const std::string folder = "/nonexistent-tunaro-fuzz/";
  const std::string line = "ren \"" + platform::Utf8ToGbkOrRaw(folder + "x") + "\" \"" +
                           platform::Utf8ToGbkOrRaw(name) + "\"\r\n";
  const auto batch = engine::ParseUndoBatch(line);
  Check(batch.Steps.size() == 1);
  Check(batch.Steps[0].OldPath == folder + name);
  return 0;
}
