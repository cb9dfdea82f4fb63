#include "platform/io_error.h"

#include <cerrno>

namespace tunaro::platform {

std::string IoErrorText(int err) {
  switch (err) {
    case ENOENT:
      return "File not found";
    case ENOTDIR:
      return "Path not found";
    case EACCES:
    case EPERM:
    case EROFS:
      return "File access denied";
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return "Disk full";
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return "Invalid filename";
    default:
      return "I/O error " + std::to_string(err);
  }
}

std::string TIoError::Text() const {
  return IoErrorText(Errno);
}

}  // namespace tunaro::platform
