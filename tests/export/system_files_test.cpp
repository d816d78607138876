// The export against the machine's own file system, in a fresh folder that is
// the current directory for the test. Tests may run with every privilege, so
// a read-only file is made by its permission bits and the export must honour
// them itself.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "export/distribution_export.h"
#include "export/export_fixtures.h"

namespace kal {
namespace {

namespace fs = std::filesystem;
using testing::RecordingWindow;

class SystemFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kal_export_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    home_ = fs::current_path();
    fs::current_path(folder_);
  }
  void TearDown() override {
    fs::current_path(home_);
    fs::remove_all(folder_);
  }

  std::optional<InOutError> Export(const std::string& name, RecordingWindow* window = nullptr) {
    RecordingWindow own(name);
    return ExportDistribution(state_, window ? *window : own, SystemExportFiles());
  }
  static void Put(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  // The names in the folder, so that a file left behind shows.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }

  const CurveTable curve_ = testing::QuarterCurve();
  const CalibrationState state_ = testing::StateOn(curve_, testing::kQuarterSigma, -2918, -2917);
  fs::path folder_, home_;
};

// Lowers one of the process's limits for the life of the guard.
class LimitGuard {
 public:
  LimitGuard(int resource, rlim_t soft) : resource_(resource) {
    if (::getrlimit(resource_, &saved_) != 0) return;
    rlimit lowered = saved_;
    lowered.rlim_cur = soft;
    lowered_ = ::setrlimit(resource_, &lowered) == 0;
  }
  ~LimitGuard() {
    if (lowered_) ::setrlimit(resource_, &saved_);
  }
  bool lowered() const { return lowered_; }

 private:
  int resource_;
  rlimit saved_;
  bool lowered_ = false;
};

TEST_F(SystemFilesTest, WritesTheFileInTheCurrentDirectory) {
  RecordingWindow window("example");
  ASSERT_EQ(Export("example", &window), std::nullopt);
  EXPECT_EQ(Read("Data example.rsi"), testing::kQuarterFile);
  EXPECT_EQ(Names(), (std::set<std::string>{"Data example.rsi"}));
  EXPECT_EQ(window.clipboard, testing::kQuarterListing);
}

TEST_F(SystemFilesTest, ReplacesAnExistingFileKeepingItsPermissions) {
  Put("Data old.rsi", std::string(1000, 'o'));
  ::chmod("Data old.rsi", 0640);
  ASSERT_EQ(Export("old"), std::nullopt);
  EXPECT_EQ(Read("Data old.rsi"), testing::kQuarterFile);
  EXPECT_EQ(fs::status("Data old.rsi").permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  EXPECT_EQ(Names(), (std::set<std::string>{"Data old.rsi"}));
}

TEST_F(SystemFilesTest, WritesIntoAFolderThatExists) {
  fs::create_directory("Data sub");
  ASSERT_EQ(Export("sub/x"), std::nullopt);
  EXPECT_EQ(Read("Data sub/x.rsi"), testing::kQuarterFile);
}

TEST_F(SystemFilesTest, RefusalsLeaveTheFolderAsItWas) {
  const std::string kOld = "the old content";
  Put("Data protected.rsi", kOld);
  ::chmod("Data protected.rsi", 0444);
  fs::create_directory("Data taken.rsi");
  const std::set<std::string> before = Names();

  const struct {
    std::string name;
    int code;
    const char* message;
  } cases[] = {
      {"protected", 5, "File access denied"},
      {"nowhere/x", 3, "Invalid filename"},
      {"taken", EISDIR, "I/O error 21"},
      {std::string(kMaxExportName + 1, 'n'), ENAMETOOLONG, "I/O error 36"},
      // Within our limit in characters, beyond the file system's in bytes.
      {std::string(kMaxExportName, 'n').replace(0, 2, "\xC5\x82\xC5\x82\xC5\x82"), ENAMETOOLONG,
       "I/O error 36"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingWindow window(c.name);
    const auto failure = Export(c.name, &window);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->code, c.code);
    EXPECT_EQ(failure->message, c.message);
    EXPECT_EQ(window.memo1, "");
    EXPECT_EQ(window.clipboard, "what the user copied before");
    EXPECT_EQ(Names(), before);
  }
  EXPECT_EQ(Read("Data protected.rsi"), kOld);
}

// A file size limit makes a real write fail part-way: a limit inside a record
// stores part of it (no system error), one at a record's end refuses the next.
TEST_F(SystemFilesTest, AWriteThatFailsLeavesTheOldFile) {
  const std::string kOld(100, 'o');
  Put("Data x.rsi", kOld);
  const struct {
    rlim_t limit;
    int code;
    const char* message;
    std::string memo;
  } cases[] = {
      {10, 101, "Disk full", "-2918\t0.25000\r\n"},
      {12, EFBIG, "I/O error 27", testing::kQuarterListing},
      {6, 101, "Disk full", ""},
  };
  // Past the limit the system would end the process instead of failing the write.
  struct IgnoreFileSizeSignal {
    void (*saved)(int) = ::signal(SIGXFSZ, SIG_IGN);
    ~IgnoreFileSizeSignal() { ::signal(SIGXFSZ, saved); }
  } ignore;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.limit);
    RecordingWindow window("x");
    std::optional<InOutError> failure;
    {
      LimitGuard guard(RLIMIT_FSIZE, c.limit);
      if (!guard.lowered()) GTEST_SKIP() << "the file size limit cannot be lowered here";
      failure = Export("x", &window);
    }
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->code, c.code);
    EXPECT_EQ(failure->message, c.message);
    EXPECT_EQ(window.memo1, c.memo);
    EXPECT_EQ(window.clipboard, "what the user copied before");
    EXPECT_EQ(Read("Data x.rsi"), kOld);
    EXPECT_EQ(Names(), (std::set<std::string>{"Data x.rsi"}));
  }
}

TEST_F(SystemFilesTest, TooManyOpenFiles) {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizers' runtime opens files of its own while it checks; with no
  // descriptor left it reports false faults.
  GTEST_SKIP() << "not under the sanitizers";
#endif
  std::optional<InOutError> failure;
  {
    LimitGuard guard(RLIMIT_NOFILE, 0);
    if (!guard.lowered()) GTEST_SKIP() << "the open file limit cannot be lowered here";
    failure = Export("x");
  }
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->code, 4);
  EXPECT_EQ(failure->message, "Too many open files");
  EXPECT_TRUE(Names().empty());
}

}  // namespace
}  // namespace kal
