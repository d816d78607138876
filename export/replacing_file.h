// A file that takes the place of the file of its name only once it is whole.
// The content goes into a new file beside the target, which is renamed over
// the target after the last write and the close succeeded; a failure at any
// step, or giving the file up, removes the new file and leaves the target
// byte for byte as it was. Writing in place would empty the old file first,
// and a failure part-way would lose its content.
//
// An existing target that is read-only is refused ("File access denied") and
// left alone: a rename must not replace a file the user protected.
#ifndef KAL_EXPORT_REPLACING_FILE_H_
#define KAL_EXPORT_REPLACING_FILE_H_

#include <cstddef>
#include <optional>
#include <string>

#include "export/export_files.h"
#include "export/in_out_error.h"

namespace kal {

class ReplacingFile {
 public:
  explicit ReplacingFile(ExportFiles& files) : files_(files) {}
  ~ReplacingFile();  // gives up an unfinished file
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  // Starts the new content of `name`. Each step answers nullopt on success or
  // the failure; after a failure the file is given up and no further step
  // may be made.
  std::optional<InOutError> Open(const std::string& name);
  // Appends the bytes; storing fewer of them is a failure ("Disk full" when
  // the system reports none).
  std::optional<InOutError> Write(const unsigned char* data, size_t size);
  // Closes the new file and puts it in place of the target.
  std::optional<InOutError> Close();

 private:
  std::optional<InOutError> Fail(const InOutError& error);
  void Abandon();

  ExportFiles& files_;
  std::string target_;
  std::string temporary_;  // empty when no new file exists
  int handle_ = -1;        // -1 when not open
};

}  // namespace kal

#endif  // KAL_EXPORT_REPLACING_FILE_H_
