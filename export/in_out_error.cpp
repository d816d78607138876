#include "export/in_out_error.h"

#include <cerrno>

#include "core/numbers.h"

namespace kal {

InOutError InOutErrorFromSystem(int system_error) {
  switch (system_error) {
    case ENOENT:
    case ENOTDIR:
      return {kPathNotFound, "Invalid filename"};
    case EACCES:
    case EPERM:
    case EROFS:
      return {kAccessDenied, "File access denied"};
    case EMFILE:
    case ENFILE:
      return {kTooManyOpenFiles, "Too many open files"};
    default:
      return {system_error, "I/O error " + IntToText(system_error)};
  }
}

InOutError DiskFullError() { return {kDiskFull, "Disk full"}; }

}  // namespace kal
