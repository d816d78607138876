// The file system as the export needs it: a few plain operations, each
// answering 0 or the system's error number (errno) of its failure, so that
// the export's file handling can be run against a file system that fails on
// demand. SystemExportFiles() is the process's own file system; relative
// names are taken against the current directory.
#ifndef KAL_EXPORT_EXPORT_FILES_H_
#define KAL_EXPORT_EXPORT_FILES_H_

#include <cstddef>
#include <string>

namespace kal {

// What stands under a name before it is replaced.
struct FileEntry {
  bool exists = false;
  bool is_directory = false;
  // Protected against writing: no write permission for anyone, or the system
  // refuses this process write access. Checked by the permission bits too,
  // because a process with every privilege is never refused.
  bool read_only = false;
  unsigned mode = 0;  // permission bits, given to the file that replaces it
  unsigned owner = 0, group = 0;
};

class ExportFiles {
 public:
  virtual ~ExportFiles() = default;

  // What stands at path. A name that does not exist (ENOENT, ENOTDIR) is no
  // failure: the entry says it does not exist.
  virtual int Inspect(const std::string& path, FileEntry* entry) = 0;

  // Makes a new, empty file with a name of its own in folder ("" for the
  // current directory, else ending in "/"), open for writing. It gets the
  // permissions of `replaces` when that exists, else the usual ones of a new
  // file. On success *handle and *path name it.
  virtual int CreateTemporary(const std::string& folder, const FileEntry& replaces, int* handle,
                              std::string* path) = 0;

  // Appends size bytes; *stored says how many were stored, which may be
  // fewer without a system error.
  virtual int Write(int handle, const unsigned char* data, size_t size, size_t* stored) = 0;

  // Puts the content on disk and closes. The handle is gone either way.
  virtual int Close(int handle) = 0;

  // Puts the file `from` in place of `to` in one step.
  virtual int Rename(const std::string& from, const std::string& to) = 0;

  // Removes a file, as far as possible.
  virtual void Remove(const std::string& path) = 0;
};

ExportFiles& SystemExportFiles();

}  // namespace kal

#endif  // KAL_EXPORT_EXPORT_FILES_H_
