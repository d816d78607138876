#include "export/distribution_export.h"

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>

#include "core/straight_line.h"
#include "data/curves.h"
#include "export/export_fixtures.h"

namespace kal {
namespace {

using testing::RecordingWindow;

// An in-memory file system that fails on demand, at one chosen operation.
class FakeFiles : public ExportFiles {
 public:
  std::map<std::string, std::string> files;  // path -> content
  std::set<std::string> read_only;
  std::set<std::string> folders = {""};  // "" is the current directory; others end in "/"
  int calls = 0;

  int create_error = 0;
  int failing_write = 0;  // 1 for the first write, ...; 0: none fails
  int write_error = 0;    // 0 with failing_write: the write stores 2 of its bytes
  int close_error = 0;
  int rename_error = 0;

  int Inspect(const std::string& path, FileEntry* entry) override {
    ++calls;
    *entry = FileEntry{};
    entry->is_directory = folders.count(path + "/") > 0;
    entry->exists = files.count(path) > 0 || entry->is_directory;
    entry->read_only = read_only.count(path) > 0;
    return 0;
  }
  int CreateTemporary(const std::string& folder, const FileEntry&, int* handle,
                      std::string* path) override {
    ++calls;
    if (create_error) return create_error;
    if (!folders.count(folder)) return ENOENT;
    *handle = ++last_handle_;
    *path = folder + ".new" + std::to_string(*handle);
    files[*path];
    open_[*handle] = *path;
    return 0;
  }
  int Write(int handle, const unsigned char* data, size_t size, size_t* stored) override {
    ++calls;
    *stored = 0;
    if (++writes_ == failing_write) {
      if (write_error) return write_error;
      size = 2;
    }
    files[open_.at(handle)].append(reinterpret_cast<const char*>(data), size);
    *stored = size;
    return 0;
  }
  int Close(int handle) override {
    ++calls;
    open_.erase(handle);
    return close_error;
  }
  int Rename(const std::string& from, const std::string& to) override {
    ++calls;
    if (rename_error) return rename_error;
    files[to] = files.at(from);
    files.erase(from);
    return 0;
  }
  void Remove(const std::string& path) override {
    ++calls;
    files.erase(path);
  }
  size_t open_files() const { return open_.size(); }

 private:
  int last_handle_ = 0;
  int writes_ = 0;
  std::map<int, std::string> open_;
};

std::string Bytes(std::initializer_list<unsigned> bytes) {
  std::string out;
  for (unsigned b : bytes) out += static_cast<char>(b);
  return out;
}

float FloatAt(const std::string& file, size_t index) {
  float value;
  std::memcpy(&value, file.data() + 4 * index, 4);  // the test machine is little-endian
  return value;
}

TEST(DistributionExport, WorkedExampleGivesItsListingAndSixteenBytes) {
  const CurveTable curve = testing::QuarterCurve();
  const CalibrationState state = testing::StateOn(curve, testing::kQuarterSigma, -2918, -2917);
  RecordingWindow window("example");
  FakeFiles files;
  ASSERT_EQ(ExportDistribution(state, window, files), std::nullopt);
  EXPECT_EQ(window.memo1, testing::kQuarterListing);
  EXPECT_EQ(window.clipboard, testing::kQuarterListing);
  EXPECT_EQ(files.files,
            (std::map<std::string, std::string>{{"Data example.rsi", testing::kQuarterFile}}));
  EXPECT_EQ(files.open_files(), 0u);
}

TEST(DistributionExport, ListsARealCalculation) {
  const LoadedCurve curve = DefaultCurve();
  CalibrationState state;
  state.CalCurve = &curve.table;
  state.SampleAge = 2501;
  state.Sigma = 55;
  Calibrate(state);
  ASSERT_EQ(state.RangeFirst, -892);
  ASSERT_EQ(state.RangeLast, -384);

  RecordingWindow window("2501");
  FakeFiles files;
  ASSERT_EQ(ExportDistribution(state, window, files), std::nullopt);
  EXPECT_EQ(window.clipboard, window.memo1);
  const std::string& listing = window.memo1;
  EXPECT_EQ(listing.size(), 509 * std::string("-892\t0.00000\r\n").size());
  EXPECT_EQ(listing.substr(0, 28), "-892\t0.00000\r\n-891\t0.00000\r\n");
  EXPECT_NE(listing.find("\r\n-600\t0.00364\r\n"), std::string::npos);
  EXPECT_NE(listing.find("\r\n-500\t0.00154\r\n"), std::string::npos);
  EXPECT_EQ(listing.substr(listing.size() - 14), "-384\t0.00000\r\n");

  const std::string& file = files.files.at("Data 2501.rsi");
  ASSERT_EQ(file.size(), 4u * (509 + 2));
  EXPECT_EQ(file.substr(0, 8), Bytes({0x00, 0x00, 0x5F, 0xC4, 0x00, 0x00, 0xC0, 0xC3}));
  // Every value is the listed one before its five-decimal text, and they add up to 1.
  const double sum = NormalisingSum(state);
  double total = 0;
  for (int32_t k = 0; k < 509; ++k) {
    const double p = WeightOf(state, -892 + k) / sum;
    EXPECT_EQ(FloatAt(file, 2 + k), static_cast<float>(p)) << k;
    EXPECT_NE(listing.find(ListingLine(-892 + k, p) + "\r\n"), std::string::npos) << k;
    total += FloatAt(file, 2 + k);
  }
  EXPECT_NEAR(total, 1.0, 1e-6);
}

// Little-endian binary32 of each value.
std::string FloatBytes(std::initializer_list<float> values) {
  std::string out;
  for (float v : values) {
    const uint32_t bits = std::bit_cast<uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(bits >> shift);
  }
  return out;
}

TEST(DistributionExport, ListingAndFileOfTheSpecialWindows) {
  const CurveTable line = testing::StraightLineCurve();
  // Only -2917 weighs anything at a width of 50.
  const CurveTable single =
      testing::CurveFrom2918({testing::kSampleAge + 500, testing::kSampleAge, 1});
  const LoadedCurve intcal = DefaultCurve();
  const struct {
    const char* what;
    const CurveTable* curve;
    int32_t sigma, first, last;
    std::string listing, file;
  } cases[] = {
      {"no weight: the sum's floor, values are the raw weights", &line, 15, -45000, -44999,
       "-45000\t0.00000\r\n-44999\t0.00000\r\n", FloatBytes({-45000, -44999, 0, 0})},
      {"a single year of weight", &single, 50, -2918, -2916,
       "-2918\t0.00000\r\n-2917\t1.00000\r\n-2916\t0.00000\r\n",
       FloatBytes({-2918, -2916, 0}) + Bytes({0x00, 0x00, 0x80, 0x3F}) + FloatBytes({0})},
      {"before the first calculation", &intcal.table, 0, 0, 0, "0\t0.00000\r\n",
       std::string(12, '\0')},
      {"before the curve is loaded", nullptr, 0, 0, 0, "0\t0.00000\r\n", std::string(12, '\0')},
      {"a window that ends before it begins", &line, 15, 10, 9, "", FloatBytes({10, 9})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    CalibrationState state;  // all zero, as before any calculation
    if (c.curve) {
      state = testing::StateOn(*c.curve, c.sigma, c.first, c.last);
      if (c.sigma == 0) state.GaussReady = false;
    }
    RecordingWindow window("x");
    FakeFiles files;
    ASSERT_EQ(ExportDistribution(state, window, files), std::nullopt);
    EXPECT_EQ(window.memo1, c.listing);
    EXPECT_EQ(window.clipboard, c.listing);
    EXPECT_EQ(files.files.at("Data x.rsi"), c.file);
  }
}

TEST(DistributionExport, TheNameIsUsedAsTyped) {
  const CurveTable curve = testing::QuarterCurve();
  const CalibrationState state = testing::StateOn(curve, testing::kQuarterSigma, -2918, -2917);
  const struct {
    std::string name;
    std::set<std::string> written;
  } cases[] = {
      {"", {}},
      {" ", {"Data  .rsi"}},
      {" a b ", {"Data  a b .rsi"}},
      {"sub/x", {"Data sub/x.rsi"}},
      {std::string(kMaxExportName, 'n'), {"Data " + std::string(kMaxExportName, 'n') + ".rsi"}},
      // Characters, not bytes, count against the limit.
      {std::string(kMaxExportName, 'n').replace(0, 1, "\xC5\x82"),
       {"Data \xC5\x82" + std::string(kMaxExportName - 1, 'n') + ".rsi"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingWindow window(c.name);
    FakeFiles files;
    files.folders.insert("Data sub/");
    ASSERT_EQ(ExportDistribution(state, window, files), std::nullopt);
    EXPECT_EQ(window.clipboard, testing::kQuarterListing);
    std::set<std::string> written;
    for (const auto& [path, content] : files.files) {
      written.insert(path);
      EXPECT_EQ(content, testing::kQuarterFile);
    }
    EXPECT_EQ(written, c.written);
    if (c.name.empty()) {
      EXPECT_EQ(files.calls, 0);
    }
  }
}

TEST(DistributionExport, ReplacesALongerFileWhole) {
  const CurveTable curve = testing::QuarterCurve();
  const CalibrationState state = testing::StateOn(curve, testing::kQuarterSigma, -2918, -2917);
  RecordingWindow window("old");
  FakeFiles files;
  files.files["Data old.rsi"] = std::string(1000, 'o');
  ASSERT_EQ(ExportDistribution(state, window, files), std::nullopt);
  EXPECT_EQ(files.files,
            (std::map<std::string, std::string>{{"Data old.rsi", testing::kQuarterFile}}));
}

// Every failure leaves the old file and the clipboard as they were and no new
// file behind; the memo holds what the run listed before it stopped.
TEST(DistributionExport, AFailureLosesNoFile) {
  const CurveTable line = testing::StraightLineCurve();
  // Five years of weight around age 5000 on the line.
  const CalibrationState state = testing::StateOn(line, 2, -3052, -3048);
  RecordingWindow unnamed("");
  FakeFiles no_files;
  ASSERT_EQ(ExportDistribution(state, unnamed, no_files), std::nullopt);
  const std::string full_listing = unnamed.memo1;
  auto first_lines = [&full_listing](int count) {
    size_t end = 0;
    for (int i = 0; i < count; ++i) end = full_listing.find('\n', end) + 1;
    return full_listing.substr(0, end);
  };
  ASSERT_EQ(first_lines(5), full_listing);
  const std::string kOld = "the old content of the file";
  const struct {
    const char* what;
    std::string name;
    void (*arrange)(FakeFiles&);
    int code;
    const char* message;
    int listed;  // lines in the memo afterwards
  } cases[] = {
      {"missing folder", "nowhere/x", [](FakeFiles&) {}, 3, "Invalid filename", 0},
      {"read-only file", "x", [](FakeFiles& f) { f.read_only.insert("Data x.rsi"); }, 5,
       "File access denied", 0},
      {"a folder in the file's place", "x", [](FakeFiles& f) { f.folders.insert("Data x.rsi/"); },
       EISDIR, "I/O error 21", 0},
      {"no file may be made", "x", [](FakeFiles& f) { f.create_error = EACCES; }, 5,
       "File access denied", 0},
      {"too many open files", "x", [](FakeFiles& f) { f.create_error = EMFILE; }, 4,
       "Too many open files", 0},
      {"name too long", std::string(kMaxExportName + 1, 'n'), [](FakeFiles&) {}, ENAMETOOLONG,
       "I/O error 36", 0},
      {"writing the first bound", "x",
       [](FakeFiles& f) {
         f.failing_write = 1;
         f.write_error = EIO;
       },
       EIO, "I/O error 5", 0},
      {"writing the last bound, short", "x", [](FakeFiles& f) { f.failing_write = 2; }, 101,
       "Disk full", 0},
      {"writing the value of the third year", "x",
       [](FakeFiles& f) {
         f.failing_write = 5;
         f.write_error = ENOSPC;
       },
       ENOSPC, "I/O error 28", 3},
      {"writing the value of the last year, short", "x", [](FakeFiles& f) { f.failing_write = 7; },
       101, "Disk full", 5},
      {"closing", "x", [](FakeFiles& f) { f.close_error = EIO; }, EIO, "I/O error 5", 5},
      {"putting the file in place", "x", [](FakeFiles& f) { f.rename_error = EXDEV; }, EXDEV,
       "I/O error 18", 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingWindow window(c.name);
    FakeFiles files;
    files.files["Data x.rsi"] = kOld;
    c.arrange(files);
    const std::map<std::string, std::string> before = files.files;

    const auto failure = ExportDistribution(state, window, files);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->code, c.code);
    EXPECT_EQ(failure->message, c.message);
    EXPECT_EQ(files.files, before);
    EXPECT_EQ(files.open_files(), 0u);
    EXPECT_EQ(window.clipboard, "what the user copied before");
    EXPECT_EQ(window.memo1, first_lines(c.listed));
  }
}

}  // namespace
}  // namespace kal
