// How a failed file step of the export is reported: a code and the message the
// user sees. The message follows the system's error of the failing step, in
// the program's own words ("Invalid filename", "File access denied", ...), so
// the same failure reads the same in the window and on the command line.
#ifndef KAL_EXPORT_IN_OUT_ERROR_H_
#define KAL_EXPORT_IN_OUT_ERROR_H_

#include <stdexcept>
#include <string>

namespace kal {

// Codes of the failures that have their own message; any other failure
// carries the system's error number and the message "I/O error N".
inline constexpr int kPathNotFound = 3;      // "Invalid filename"
inline constexpr int kTooManyOpenFiles = 4;  // "Too many open files"
inline constexpr int kAccessDenied = 5;      // "File access denied"
inline constexpr int kDiskFull = 101;        // "Disk full": a write stored fewer bytes

struct InOutError {
  int code = 0;
  std::string message;
};

// The report of a step that failed with the system's error number (errno):
// a missing folder (ENOENT, ENOTDIR) is "Invalid filename"; EACCES, EPERM and
// EROFS are "File access denied"; EMFILE and ENFILE "Too many open files";
// anything else "I/O error N" with the number itself as the code.
InOutError InOutErrorFromSystem(int system_error);

// A write that stored fewer bytes than asked without a system error.
InOutError DiskFullError();

// The same failure as an exception, for the window, whose default error
// display shows what() of whatever leaves a handler.
class EInOutError : public std::runtime_error {
 public:
  explicit EInOutError(const InOutError& error)
      : std::runtime_error(error.message), code_(error.code) {}
  int ErrorCode() const { return code_; }

 private:
  int code_;
};

}  // namespace kal

#endif  // KAL_EXPORT_IN_OUT_ERROR_H_
