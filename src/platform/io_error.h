// Errors of the operating system, carried with the path they concern.
#pragma once

#include <string>

namespace tunaro::platform {

// What went wrong and where. Errno 0 means no error.
struct TIoError {
  int Errno = 0;
  std::string Path;

  explicit operator bool() const { return Errno != 0; }
  // The runtime's I/O error text that users of the program know ("File access denied", ...).
  std::string Text() const;
};

// Maps an errno value to the runtime's I/O error text: "File not found", "Path not found",
// "File access denied", "Disk full", "Invalid filename", otherwise "I/O error N".
std::string IoErrorText(int err);

}  // namespace tunaro::platform
