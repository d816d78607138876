#include "plot/sweep_stats.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace kal {
namespace {

std::map<std::string, double> ReadStats(const std::string& path) {
  std::map<std::string, double> values;
  std::ifstream in(path);
  std::string name;
  double value;
  while (in >> name >> value) values[name] = value;
  return values;
}

TEST(SweepStats, CountsTicksPicturesAndLateTicks) {
  const std::string path =
      (std::filesystem::temp_directory_path() / "kal_sweep_stats_test.txt").string();
  SweepStats stats(path, 5);
  // Tick 1 draws plot 1, which is shown; tick 2 draws plot 2, which is not
  // shown before tick 3 (late); tick 3 draws plot 3, shown twice.
  stats.TickStarted(0);
  stats.PlotPainted(1);
  stats.TickStarted(1);
  stats.TickStarted(2);
  stats.PlotPainted(3);
  stats.PlotPainted(3);
  ASSERT_TRUE(stats.Write(3, 1));
  const auto values = ReadStats(path);
  EXPECT_EQ(values.at("ticks"), 3);
  EXPECT_EQ(values.at("plots_drawn"), 3);
  EXPECT_EQ(values.at("rulers_drawn"), 1);
  EXPECT_EQ(values.at("pictures_shown"), 2);
  EXPECT_EQ(values.at("late_ticks"), 1);
  EXPECT_GE(values.at("seconds"), 0);
  EXPECT_GE(values.at("cpu_seconds"), 0);
  std::filesystem::remove(path);
  EXPECT_FALSE(SweepStats("/no/such/folder/stats.txt", 5).Write(0, 0));
}

TEST(SweepStats, OnlyWhenAskedFor) {
  unsetenv("KALIBRACJA_SWEEP_STATS");
  EXPECT_FALSE(SweepStats::FromEnvironment().has_value());
  setenv("KALIBRACJA_SWEEP_STATS", "/tmp/stats.txt", 1);
  const struct {
    const char* seconds;  // nullptr: unset
    int expected;
  } cases[] = {{nullptr, 5}, {"12", 12}, {"0", 5}, {"x", 5}, {"-3", 5}};
  for (const auto& c : cases) {
    if (c.seconds == nullptr)
      unsetenv("KALIBRACJA_SWEEP_SECONDS");
    else
      setenv("KALIBRACJA_SWEEP_SECONDS", c.seconds, 1);
    const auto stats = SweepStats::FromEnvironment();
    ASSERT_TRUE(stats.has_value());
    EXPECT_EQ(stats->Seconds(), c.expected) << (c.seconds ? c.seconds : "unset");
  }
  unsetenv("KALIBRACJA_SWEEP_STATS");
  unsetenv("KALIBRACJA_SWEEP_SECONDS");
}

}  // namespace
}  // namespace kal
