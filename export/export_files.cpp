#include "export/export_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <random>

namespace kal {

namespace {

class SystemFiles final : public ExportFiles {
 public:
  int Inspect(const std::string& path, FileEntry* entry) override {
    *entry = FileEntry{};
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
      return errno == ENOENT || errno == ENOTDIR ? 0 : errno;
    }
    entry->exists = true;
    entry->is_directory = S_ISDIR(st.st_mode);
    entry->mode = st.st_mode & 07777;
    entry->owner = st.st_uid;
    entry->group = st.st_gid;
    const bool no_write_bit = (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    const bool refused = ::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EPERM);
    entry->read_only = !entry->is_directory && (no_write_bit || refused);
    return 0;
  }

  int CreateTemporary(const std::string& folder, const FileEntry& replaces, int* handle,
                      std::string* path) override {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name = folder + ".kalibracja-";
      for (int i = 0; i < 8; ++i) name += kLetters[Random() % (sizeof kLetters - 1)];
      name += ".tmp";
      // 0666 leaves the rest to the umask, as for any new file.
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd < 0) {
        if (errno == EEXIST) continue;
        return errno;
      }
      if (replaces.exists) {
        // The replacement keeps what the user set on the file it replaces;
        // where that is not allowed, it keeps ours.
        (void)::fchmod(fd, static_cast<mode_t>(replaces.mode));
        if (replaces.owner != ::geteuid() || replaces.group != ::getegid()) {
          (void)::fchown(fd, static_cast<uid_t>(replaces.owner),
                         static_cast<gid_t>(replaces.group));
        }
      }
      *handle = fd;
      *path = std::move(name);
      return 0;
    }
    return EEXIST;
  }

  int Write(int handle, const unsigned char* data, size_t size, size_t* stored) override {
    *stored = 0;
    ssize_t n;
    do {
      n = ::write(handle, data, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return errno;
    *stored = static_cast<size_t>(n);
    return 0;
  }

  int Close(int handle) override {
    // On disk before the rename, so that a crash never leaves the name
    // pointing at a file whose content was not written yet.
    int error = 0;
    if (::fsync(handle) != 0 && errno != EINVAL) error = errno;
    if (::close(handle) != 0 && errno != EINTR && error == 0) error = errno;
    return error;
  }

  int Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }

  void Remove(const std::string& path) override { (void)::unlink(path.c_str()); }

 private:
  static unsigned Random() {
    static std::minstd_rand engine(static_cast<unsigned>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ ::getpid()));
    return static_cast<unsigned>(engine());
  }
};

}  // namespace

ExportFiles& SystemExportFiles() {
  static SystemFiles files;
  return files;
}

}  // namespace kal
