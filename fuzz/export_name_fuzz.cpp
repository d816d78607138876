// The export's file name: whatever the user types as the name, the export
// either refuses it or hands the file layer exactly "Data " + name + ".rsi"
// (and a temporary file in the same folder), never writes past what it
// refuses, and leaves no temporary file behind on a failure. The file layer
// here is in memory and fails on demand.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "core/calibration.h"
#include "data/curves.h"
#include "export/distribution_export.h"

namespace {

class MemoryFiles final : public kal::ExportFiles {
 public:
  explicit MemoryFiles(uint8_t fail_at) : fail_at_(fail_at) {}
  int Inspect(const std::string& path, kal::FileEntry* entry) override {
    inspected = path;
    entry->exists = files.count(path) > 0;
    return Step();
  }
  int CreateTemporary(const std::string& folder, const kal::FileEntry&, int* handle,
                      std::string* path) override {
    if (int e = Step()) return e;
    *path = folder + ".tmp" + std::to_string(++made);
    files[*path];
    open_path = *path;
    *handle = 3;
    return 0;
  }
  int Write(int, const unsigned char* data, size_t size, size_t* stored) override {
    if (int e = Step()) return e;
    files[open_path].append(reinterpret_cast<const char*>(data), size);
    *stored = size;
    return 0;
  }
  int Close(int) override { return Step(); }
  int Rename(const std::string& from, const std::string& to) override {
    if (int e = Step()) return e;
    files[to] = files[from];
    files.erase(from);
    return 0;
  }
  void Remove(const std::string& path) override { files.erase(path); }

  std::map<std::string, std::string> files;
  std::string inspected;

 private:
  int Step() { return ++steps_ == fail_at_ ? 5 : 0; }
  uint8_t fail_at_;
  int steps_ = 0;
  int made = 0;
  std::string open_path;
};

class Window final : public kal::ExportWindow {
 public:
  explicit Window(std::string name) : name_(std::move(name)) {}
  std::string Edit1Text() override { return name_; }
  void ClearMemo1() override {}
  void AppendToMemo1(std::string_view) override {}
  void CopyMemo1ToClipboard(std::string_view) override {}

 private:
  std::string name_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kal::LoadedCurve curve = kal::DefaultCurve();
  if (size == 0) return 0;
  const std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
  kal::CalibrationState state;
  state.CalCurve = &curve.table;
  state.SampleAge = 2501;
  state.Sigma = 55;
  kal::Calibrate(state);
  MemoryFiles files(data[0] % 8);  // 0: nothing fails; else that step fails
  Window window(name);
  const auto failure = kal::ExportDistribution(state, window, files);
  const std::string target = "Data " + name + ".rsi";
  if (!failure) {
    if (name.empty() ? !files.files.empty()
                     : files.files.size() != 1 || !files.files.count(target)) {
      std::abort();
    }
  } else {
    // A failed export leaves nothing but what stood before: nothing here.
    if (!files.files.empty()) std::abort();
    if (failure->message.empty()) std::abort();
  }
  if (!files.inspected.empty() && files.inspected != target) std::abort();
  return 0;
}
