// Every file type of the table on arbitrary file contents: its reader, the field mapping,
// the decoding of legacy texts with each code page, and the new name. A type added to the
// table is fuzzed here without a line of its own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "engine/readers.h"
#include "engine/rename_run.h"
#include "fuzz/fuzz_file.h"
#include "platform/codec.h"

using namespace tunaro;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One reader set for all inputs, as the program reuses its readers for every file.
  static engine::TReaders readers;
  if (size == 0) return 0;
  // The first byte picks the code page; the rest is the file.
  const auto codePage =
      static_cast<platform::TCodePage>(data[0] % std::size(platform::kCodePageNames));
  const std::string& path = fuzz::InputPath(data + 1, size - 1);
  for (const engine::TFileType& type : engine::kFileTypes) {
    engine::TFieldValues values;
    if (!engine::ReadFieldValues(readers, type.Reader, path, codePage, values)) continue;
    // Whatever the file holds, the six values are UTF-8 and the name stays in its folder.
    for (const std::string& value : values)
      if (!platform::IsValidUtf8(value)) std::abort();
    const std::string newPath =
        engine::BuildNewPath(std::string("/m/x") + type.Extension, "%1 - %2 %3 %4 %5 %6", values);
    if (newPath.compare(0, 3, "/m/") != 0 || newPath.find('/', 3) != std::string::npos)
      std::abort();
  }
  return 0;
}
