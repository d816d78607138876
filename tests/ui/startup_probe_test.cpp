#include "ui/startup_probe.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTemporaryDir>
#include <ctime>
#include <fstream>
#include <map>
#include <string>

namespace kal::ui {
namespace {

TEST(StartTicksFromStat, CountsFieldsAfterTheNamesLastParenthesis) {
  const std::string after_state = " 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 ";
  const struct {
    std::string line;
    std::optional<unsigned long long> ticks;
  } cases[] = {
      {"7475 (kalibracja) S" + after_state + "4321 386116 33948", 4321},
      {"12 (a) b (c) R" + after_state + "99", 99},  // blanks and parentheses in the name
      {"12 (x) S 1 2 3", std::nullopt},             // too few fields
      {"12 (x) S" + after_state + "12a 5", std::nullopt},
      {"no name at all", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(StartTicksFromStat(c.line), c.ticks) << c.line;
}

std::map<std::string, double> ReadReport(const QString& path) {
  std::map<std::string, double> values;
  std::ifstream in(path.toStdString());
  std::string name;
  double value = 0;
  while (in >> name >> value) values[name] = value;
  return values;
}

TEST(WatchFirstPlotPaint, ReportsTheFirstPaintWithAPictureOnce) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("startup"));
  qputenv("KALIBRACJA_STARTUP_REPORT", path.toUtf8());
  ImageControl plot;
  plot.resize(20, 10);
  WatchFirstPlotPaint(&plot);
  qunsetenv("KALIBRACJA_STARTUP_REPORT");

  plot.grab();  // the window shown before the first calculation: no picture yet
  EXPECT_FALSE(QFile::exists(path));

  QImage picture(20, 10, QImage::Format_RGB32);
  picture.fill(Qt::black);
  plot.ShowPicture(&picture);
  timespec before{};
  clock_gettime(CLOCK_REALTIME, &before);
  plot.grab();
  const std::map<std::string, double> report = ReadReport(path);
  ASSERT_EQ(report.count("realtime_ns"), 1u);
  EXPECT_GE(report.at("realtime_ns"), before.tv_sec * 1e9 + before.tv_nsec - 1e3);
  ASSERT_EQ(report.count("since_start_ms"), 1u);
  EXPECT_GT(report.at("since_start_ms"), 0);

  QFile::remove(path);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  plot.grab();
  EXPECT_FALSE(QFile::exists(path));  // one report only
}

TEST(WatchFirstPlotPaint, WatchesNothingWithoutTheVariable) {
  qunsetenv("KALIBRACJA_STARTUP_REPORT");
  ImageControl plot;
  WatchFirstPlotPaint(&plot);
  EXPECT_TRUE(plot.findChildren<QObject*>().isEmpty());
}

}  // namespace
}  // namespace kal::ui
