#include "ui/jog_and_sweep.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace kal::ui {
namespace {

TEST(JogStrip, StepGrowsWithTheDistanceFromTheCentre) {
  const struct {
    int distance, step;
  } cases[] = {{0, 0},   {1, 1},    {2, 1},    {3, 2},     {5, 3},     {10, 7},    {15, 19},
               {20, 52}, {25, 141}, {30, 380}, {35, 1023}, {40, 2754}, {45, 7412}, {50, 19950}};
  for (const auto& c : cases) {
    EXPECT_EQ(JogStep(50 + c.distance, 101), c.step) << c.distance;
    EXPECT_EQ(JogStep(50 - c.distance, 101), -c.step) << c.distance;
  }
}

TEST(JogStrip, AgeStaysWithinItsBounds) {
  const struct {
    int32_t age;
    int x;
    int32_t after;
  } cases[] = {
      {2500, 100, 22450},       {2500, 0, 300}, {45000, 60, 45000}, {44000, 100, 45000},
      {300, 40, 300},           {0, 50, 300},   {2500, 50, 2500},   {-2147483647 - 1, 0, 300},
      {2147483647, 100, 45000},
  };
  for (const auto& c : cases) EXPECT_EQ(JogAge(c.age, c.x, 101), c.after) << c.age << " " << c.x;
  EXPECT_EQ(JogStep(5, 0), 0);  // a strip without width jogs nothing
}

TEST(Sweep, StepAndIntervalByScrollBarPosition) {
  const struct {
    int position, step;
  } cases[] = {{0, 1},  {1, 1},  {10, 1}, {11, 2}, {22, 2},  {23, 3},  {25, 3},  {31, 3},  {32, 4},
               {37, 4}, {38, 5}, {50, 7}, {56, 9}, {57, 10}, {74, 19}, {75, 20}, {100, 55}};
  for (const auto& c : cases) EXPECT_EQ(SweepStep(c.position), c.step) << c.position;
  EXPECT_EQ(SweepInterval(0), 1);
  EXPECT_EQ(SweepInterval(1), 100);
  EXPECT_EQ(SweepInterval(100), 100);
}

TEST(JogStrip, PictureHasTheBlackPixelsOfEachRow) {
  // Black column ranges per row, as the strip was drawn.
  const char* rows[20] = {
      "0-1, 50, 97-100",        "0-1, 50, 91-96, 99-100", "0-1, 50, 86-90, 98-100",
      "0-1, 50, 81-85, 98-100", "0-1, 50, 76-80, 98-100", "0-5, 50, 71-75, 98-100",
      "0-5, 50, 65-70, 97-100", "0-4, 50, 60-64, 97-100", "0-4, 50, 55-59, 97-100",
      "0-4, 50-54, 96-100",     "0-4, 45-50, 96-100",     "0-3, 39-44, 50, 96-100",
      "0-3, 34-38, 50, 96-100", "0-3, 29-33, 50, 95-100", "0-2, 24-28, 50, 95-100",
      "0-2, 19-23, 50, 99-100", "0-2, 13-18, 50, 99-100", "0-2, 8-12, 50, 99-100",
      "0-1, 4-7, 50, 99-100",   "0-3, 50, 99-100",
  };
  const QImage picture = JogStripPicture();
  ASSERT_EQ(picture.size(), QSize(101, 20));
  for (int row = 0; row < 20; ++row) {
    bool black[101] = {};
    for (const QString& range : QString(rows[row]).split(", ")) {
      const QStringList ends = range.split('-');
      for (int x = ends.front().toInt(); x <= ends.back().toInt(); ++x) black[x] = true;
    }
    for (int x = 0; x < 101; ++x) {
      const QRgb expected = black[x] ? qRgb(0, 0, 0) : qRgb(192, 192, 192);
      EXPECT_EQ(picture.pixel(x, row), expected) << "row " << row << " column " << x;
    }
  }
}

}  // namespace
}  // namespace kal::ui
