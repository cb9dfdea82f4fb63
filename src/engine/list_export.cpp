#include "engine/list_export.h"

#include <cerrno>

namespace tunaro::engine {

const char* const kHomePageAddress = "https://tunaro.example.org/";
const char* const kHomePageHost = "tunaro.example.org";

// Written with its own work; until then the export reports that it cannot write.
std::string ChangeExportExtension(const std::string& fileName, TExportForm) { return fileName; }

platform::TIoError WriteList(const std::string& fileName, TExportForm, const TFileList&, bool) {
  return {ENOSYS, fileName};
}

}  // namespace tunaro::engine
