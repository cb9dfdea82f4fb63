// Writing the file list as an HTML page, an M3U playlist or a PLS playlist, in GBK with
// CR LF after every line.
#pragma once

#include <string>

#include "engine/file_list.h"
#include "platform/io_error.h"

namespace tunaro::engine {

// The program's home page, used by the window's links and the HTML page's footer.
extern const char* const kHomePageAddress;
extern const char* const kHomePageHost;

// In the order of the save dialog's filters (filter index 1, 2, 3).
enum class TExportForm { Html = 1, M3u = 2, Pls = 3 };

// Replaces the extension of the file name (from the last dot after the last "/") by the
// form's own (".htm", ".m3u", ".pls"), or appends it when there is none.
std::string ChangeExportExtension(const std::string& fileName, TExportForm form);

// Writes the list to the file, replacing it once the new list is whole: after an error the
// old file is as it was. With selectedOnly only checked entries are written; entry numbers
// count the written entries. Returns the first I/O error, if any.
platform::TIoError WriteList(const std::string& fileName, TExportForm form, const TFileList& list,
                             bool selectedOnly);

}  // namespace tunaro::engine
