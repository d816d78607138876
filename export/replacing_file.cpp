#include "export/replacing_file.h"

#include <cerrno>

namespace kal {

ReplacingFile::~ReplacingFile() { Abandon(); }

void ReplacingFile::Abandon() {
  if (handle_ >= 0) (void)files_.Close(handle_);
  handle_ = -1;
  if (!temporary_.empty()) files_.Remove(temporary_);
  temporary_.clear();
}

std::optional<InOutError> ReplacingFile::Fail(const InOutError& error) {
  Abandon();
  return error;
}

std::optional<InOutError> ReplacingFile::Open(const std::string& name) {
  Abandon();
  target_ = name;
  // A name holding a NUL would reach the system cut short, as another name.
  if (name.empty() || name.find('\0') != std::string::npos) {
    return Fail(InOutErrorFromSystem(EINVAL));
  }
  FileEntry entry;
  if (const int error = files_.Inspect(name, &entry)) return Fail(InOutErrorFromSystem(error));
  if (entry.is_directory) return Fail(InOutErrorFromSystem(EISDIR));
  if (entry.read_only) return Fail(InOutErrorFromSystem(EACCES));

  const size_t slash = name.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : name.substr(0, slash + 1);
  if (const int error = files_.CreateTemporary(folder, entry, &handle_, &temporary_)) {
    handle_ = -1;
    temporary_.clear();
    return Fail(InOutErrorFromSystem(error));
  }
  return std::nullopt;
}

std::optional<InOutError> ReplacingFile::Write(const unsigned char* data, size_t size) {
  if (handle_ < 0) return Fail(InOutErrorFromSystem(EBADF));
  size_t stored = 0;
  if (const int error = files_.Write(handle_, data, size, &stored)) {
    return Fail(InOutErrorFromSystem(error));
  }
  if (stored < size) return Fail(DiskFullError());
  return std::nullopt;
}

std::optional<InOutError> ReplacingFile::Close() {
  if (handle_ < 0) return Fail(InOutErrorFromSystem(EBADF));
  const int close_error = files_.Close(handle_);
  handle_ = -1;
  if (close_error) return Fail(InOutErrorFromSystem(close_error));
  if (const int error = files_.Rename(temporary_, target_)) {
    return Fail(InOutErrorFromSystem(error));
  }
  temporary_.clear();
  return std::nullopt;
}

}  // namespace kal
