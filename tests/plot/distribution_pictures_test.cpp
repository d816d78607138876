#include "plot/distribution_pictures.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QPainter>
#include <QRegion>
#include <array>
#include <span>
#include <string>
#include <vector>

#include "core/straight_line.h"
#include "data/curves.h"

namespace kal {
namespace {

constexpr QRgb kFace = 0xFFD4D0C8;  // a button face unlike any palette's here
constexpr QRgb kText = 0xFF000080;
constexpr DesktopColours kColours{kFace, kText};

const CurveTable& EmbeddedCurve() {
  static const LoadedCurve curve = DefaultCurve();
  return curve.table;
}

CalibrationState StateFor(const CurveTable& curve, int32_t age, int32_t error) {
  CalibrationState state;
  state.CalCurve = &curve;
  state.SampleAge = age;
  state.Sigma = error + 5;
  return state;
}

// The state of a calculation that found the window first..last.
CalibrationState WindowState(int32_t first, int32_t last) {
  CalibrationState state = StateFor(EmbeddedCurve(), 2500, 50);
  state.RangeFirst = first;
  state.RangeLast = last;
  return state;
}

// The ruler drawn independently of the canvas: frame, ticks, and each label
// rendered alone in a white cell of its measured width, placed at
// (column - width / 2, 10), later labels over earlier ones.
QImage ExpectedRuler(const std::array<const char*, 7>& labels) {
  QImage image(kPictureWidth, kRulerHeight, QImage::Format_RGB32);
  image.fill(kWhite);
  for (int x = 0; x < kPictureWidth; ++x)
    image.setPixel(x, 0, kBlack), image.setPixel(x, 48, kBlack);
  for (int y = 0; y < kRulerHeight; ++y)
    image.setPixel(0, y, kBlack), image.setPixel(776, y, kBlack);
  for (int c = 8; c <= 768; c += 10) {
    for (int y = 0; y < 5; ++y) image.setPixel(c, y, kBlack);
  }
  QFont font("Arial");
  font.setPixelSize(24);
  font.setStyleStrategy(QFont::NoAntialias);
  const QFontMetrics metrics(font);
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(QColor::fromRgb(kText));
  for (int j = 0; j < 7; ++j) {
    const int column = 88 + 100 * j;
    painter.fillRect(column, 0, 1, 10, QColor::fromRgb(kBlack));
    const QString label = labels[j];
    const int width = metrics.horizontalAdvance(label);
    const int left = column - width / 2;
    painter.fillRect(left, 10, width, metrics.height(), QColor::fromRgb(kWhite));
    painter.drawText(left, 10 + metrics.ascent(), label);
  }
  return image;
}

// The plot drawn independently: frame around the face colour, and in each
// column black from row (1 - weight) * 249 rounded, halves to even, exclusive.
QImage ExpectedPlot(const std::vector<double>& weights) {
  QImage image(kPictureWidth, kPlotHeight, QImage::Format_RGB32);
  for (int x = 0; x < kPictureWidth; ++x) {
    const double top = std::nearbyint((1.0L - weights[x]) * kPlotHeight);
    for (int y = 0; y < kPlotHeight; ++y) {
      const bool frame = x == 0 || x == kPictureWidth - 1 || y == 0 || y == kPlotHeight - 1;
      reinterpret_cast<QRgb*>(image.scanLine(y))[x] = frame || y > top ? kBlack : kFace;
    }
  }
  return image;
}

std::vector<double> ColumnWeights(const CalibrationState& state) {
  std::vector<double> weights;
  for (int x = 0; x < kPictureWidth; ++x)
    weights.push_back(WeightOf(state, x - 388 + *state.RulerCentre));
  return weights;
}

// First differing pixel, for a readable failure.
std::string Difference(const QImage& actual, const QImage& expected) {
  if (actual.size() != expected.size()) return "sizes differ";
  if (actual.convertToFormat(QImage::Format_RGB32) == expected) return "";
  for (int y = 0; y < actual.height(); ++y) {
    for (int x = 0; x < actual.width(); ++x) {
      if (actual.pixel(x, y) != expected.pixel(x, y)) {
        return "pixel " + std::to_string(x) + "," + std::to_string(y) + " differs";
      }
    }
  }
  return "";
}

// The bounding rectangle of the pixels that differ.
QRect ChangedPixels(const QImage& before, const QImage& after) {
  QRect changed;
  for (int y = 0; y < after.height(); ++y) {
    const auto* old_row = reinterpret_cast<const QRgb*>(before.constScanLine(y));
    const auto* new_row = reinterpret_cast<const QRgb*>(after.constScanLine(y));
    for (int x = 0; x < after.width(); ++x) {
      if (old_row[x] != new_row[x]) changed |= QRect(x, y, 1, 1);
    }
  }
  return changed;
}

// Pixels that differ between the two pictures outside `covered`.
int UncoveredChanges(const QImage& before, const QImage& after, const QRegion& covered) {
  int uncovered = 0;
  for (int y = 0; y < after.height(); ++y) {
    for (int x = 0; x < after.width(); ++x) {
      if (before.pixel(x, y) != after.pixel(x, y) && !covered.contains(QPoint(x, y))) ++uncovered;
    }
  }
  return uncovered;
}

TEST(DistributionPictures, NothingBeforeTheFirstCalculation) {
  const DistributionPictures pictures(kColours);
  EXPECT_FALSE(pictures.HasPlot());
  EXPECT_FALSE(pictures.HasRuler());
  EXPECT_TRUE(pictures.Plot().isNull());
  EXPECT_TRUE(pictures.Ruler().isNull());
}

TEST(DistributionPictures, FirstCalculationAfterStartUp) {
  CalibrationState state = StateFor(EmbeddedCurve(), 2501, 50);
  DistributionPictures pictures(kColours);
  const CalibrationResult result = Calibrate(state, &pictures);
  EXPECT_EQ(result.text, Calibrate(state).text);  // drawing changes no result
  ASSERT_EQ(state.RulerCentre, -600);
  ASSERT_TRUE(pictures.HasPlot() && pictures.HasRuler());
  EXPECT_EQ(pictures.Plot().size(), QSize(777, 249));
  EXPECT_EQ(pictures.Ruler().size(), QSize(777, 49));
  EXPECT_EQ(Difference(pictures.Ruler(), ExpectedRuler({"  900BC", "  800BC", "  700BC", "  600BC",
                                                        "  500BC", "  400BC", "  300BC"})),
            "");
  EXPECT_EQ(Difference(pictures.Plot(), ExpectedPlot(ColumnWeights(state))), "");
  // The tallest bars, weight 0.9, reach row 26.
  int highest = kPlotHeight;
  for (int x = 1; x < 776; ++x) {
    for (int y = 1; y < 248; ++y) {
      if (pictures.Plot().pixel(x, y) == kBlack) highest = std::min(highest, y);
    }
  }
  EXPECT_EQ(highest, 26);
  EXPECT_EQ(pictures.PlotDrawings(), 1u);
  EXPECT_EQ(pictures.RulerDrawings(), 1u);
}

TEST(DistributionPictures, RulerLabelsAndTicks) {
  const struct {
    int32_t first, last, centre;
    std::array<const char*, 7> labels;
  } cases[] = {
      // the first window of the original curve: -86.5 goes to -86, -0.86 to -1
      {-340,
       167,
       -100,
       {"  400BC", "  300BC", "  200BC", "  100BC", "AD/BC", "  100AD", "  200AD"}},
      {-50, 50, 0, {"  300BC", "  200BC", "  100BC", "AD/BC", "  100AD", "  200AD", "  300AD"}},
      {900,
       1100,
       1000,
       {"  700AD", "  800AD", "  900AD", " 1000AD", " 1100AD", " 1200AD", " 1300AD"}},
      {-9950,
       -9850,
       -9900,
       {"10200BC", "10100BC", "10000BC", " 9900BC", " 9800BC", " 9700BC", " 9600BC"}},
      {-12400,
       -12200,
       -12300,
       {"12600BC", "12500BC", "12400BC", "12300BC", "12200BC", "12100BC", "12000BC"}},
      {1943,
       1944,
       1900,
       {" 1600AD", " 1700AD", " 1800AD", " 1900AD", " 2000AD", " 2100AD", " 2200AD"}},
  };
  for (const auto& c : cases) {
    CalibrationState state = WindowState(c.first, c.last);
    DistributionPictures pictures(kColours);
    pictures.DrawRuler(state);
    EXPECT_EQ(state.RulerCentre, c.centre);
    EXPECT_EQ(Difference(pictures.Ruler(), ExpectedRuler(c.labels)), "") << c.centre;
    EXPECT_FALSE(pictures.HasPlot());
  }
}

TEST(RulerLabel, FiveCharactersThenTheEra) {
  const struct {
    int64_t year;
    const char* text;
  } cases[] = {
      {-400, "  400BC"},   {0, "AD/BC"},          {100, "  100AD"}, {1000, " 1000AD"},
      {-12300, "12300BC"}, {-123400, "123400BC"}, {5, "    5AD"},   {-1, "    1BC"},
  };
  for (const auto& c : cases) EXPECT_EQ(RulerLabel(c.year), c.text) << c.year;
}

TEST(BarTop, NearestRowHalvesToEven) {
  EXPECT_EQ(BarTop(0.5, 249), 124);  // 124.5
  EXPECT_EQ(BarTop(0.9, 249), 25);   // 24.9
  EXPECT_EQ(BarTop(0.0, 249), 249);
  EXPECT_EQ(BarTop(1.0, 249), 0);
  EXPECT_EQ(BarTop(0.5, 5), 2);  // 2.5
  EXPECT_EQ(BarTop(0.5, 7), 4);  // 3.5
}

TEST(DrawWeightBars, BarsRiseFromTheBottomToTheirWeight) {
  const struct {
    double weight;
    int first_row;  // the bar's highest row; 249: no pixel above the frame
  } cases[] = {{0.5, 125}, {0.0, 249}, {0.9, 26}, {0.0121, 247}, {0.004, 249}, {0.3, 175}};
  std::vector<double> weights{0.7};  // column 0 lies on the frame
  for (const auto& c : cases) weights.push_back(c.weight);
  weights.push_back(0.7);
  PixelCanvas canvas(static_cast<int>(weights.size()), kPlotHeight, kText);
  DrawWeightBars(canvas, kPlotHeight, kFace, weights);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const int x = static_cast<int>(i) + 1;
    for (int y = 1; y < kPlotHeight - 1; ++y) {
      ASSERT_EQ(canvas.Image().pixel(x, y), y >= cases[i].first_row ? kBlack : kFace)
          << "weight " << cases[i].weight << " row " << y;
    }
    EXPECT_EQ(canvas.Image().pixel(x, 0), kBlack);
    EXPECT_EQ(canvas.Image().pixel(x, kPlotHeight - 1), kBlack);
  }
}

TEST(DistributionPictures, SameCentreLeavesTheRulerAlone) {
  CalibrationState state = StateFor(EmbeddedCurve(), 2501, 50);
  DistributionPictures pictures(kColours);
  Calibrate(state, &pictures);
  const QImage ruler = pictures.Ruler().copy();
  const QImage plot = pictures.Plot().copy();

  state.SampleAge = 2510;
  Calibrate(state, &pictures);
  ASSERT_EQ(state.RulerCentre, -600);
  EXPECT_EQ(pictures.RulerDrawings(), 1u);
  EXPECT_EQ(pictures.PlotDrawings(), 2u);
  EXPECT_EQ(Difference(pictures.Ruler(), ruler), "");
  EXPECT_NE(Difference(pictures.Plot(), plot), "");
  EXPECT_EQ(Difference(pictures.Plot(), ExpectedPlot(ColumnWeights(state))), "");

  // A new error rebuilds the table but keeps the ruler's centre.
  state.Sigma = 25;
  state.GaussReady = false;
  Calibrate(state, &pictures);
  ASSERT_EQ(state.RulerCentre, -600);
  EXPECT_EQ(pictures.RulerDrawings(), 1u);

  state.SampleAge = 4000;  // a new centre: the ruler is drawn again
  Calibrate(state, &pictures);
  EXPECT_NE(state.RulerCentre, -600);
  EXPECT_EQ(pictures.RulerDrawings(), 2u);
  EXPECT_NE(Difference(pictures.Ruler(), ruler), "");
}

TEST(DistributionPictures, YoungestAgesAskForYearsBeyondTheCurve) {
  // Age 10: the window 1943..1944 centres on 1900, and the plot's columns
  // reach the year 2288, long after the curve's last year.
  for (const CurveTable* curve : {&EmbeddedCurve()}) {
    CalibrationState state = StateFor(*curve, 10, 10);
    DistributionPictures pictures(kColours);
    Calibrate(state, &pictures);
    ASSERT_EQ(state.RulerCentre, 1900);
    EXPECT_EQ(Difference(pictures.Plot(), ExpectedPlot(ColumnWeights(state))), "");
    const int last_column = 388 + curve->LastYear() - 1900;
    for (int x = last_column + 1; x < 776; ++x) {
      for (int y = 1; y < 248; ++y) ASSERT_EQ(pictures.Plot().pixel(x, y), kFace) << x << "," << y;
    }
  }
  // On a straight line the young end is heavily weighted right up to it.
  const CurveTable line = testing::StraightLineCurve();
  CalibrationState state = StateFor(line, 10, 10);
  DistributionPictures pictures(kColours);
  Calibrate(state, &pictures);
  const int last_column = 388 + line.LastYear() - *state.RulerCentre;
  EXPECT_EQ(pictures.Plot().pixel(last_column, 247), kBlack);
  EXPECT_EQ(pictures.Plot().pixel(last_column + 1, 247), kFace);
}

// Each plot after the first is drawn over the last one; it must be exactly
// the plot drawn afresh, also where the centre jumps, bars vanish or grow.
TEST(DistributionPictures, EveryPlotEqualsOneDrawnAfresh) {
  struct Step {
    int32_t age, error;
  };
  std::vector<Step> steps;
  for (int32_t age = 2501; age <= 2650; age += 3) steps.push_back({age, 50});
  for (const Step step : {Step{9990, 50}, Step{10001, 50}, Step{500, 50}, Step{45000, 10},
                          Step{10, 10}, Step{2501, 10}, Step{2501, 1000}, Step{600, 10}}) {
    steps.push_back(step);
  }
  CalibrationState state = StateFor(EmbeddedCurve(), 2500, 50);
  DistributionPictures pictures(kColours);
  for (const Step& step : steps) {
    state.SampleAge = step.age;
    if (state.Sigma != step.error + 5) {
      state.Sigma = step.error + 5;
      state.GaussReady = false;
    }
    const QImage before = pictures.Plot().copy();
    Calibrate(state, &pictures);
    ASSERT_EQ(Difference(pictures.Plot(), ExpectedPlot(ColumnWeights(state))), "")
        << step.age << "/" << step.error;
    // What changed is what the window is told to repaint.
    EXPECT_EQ(pictures.PlotChanged(),
              before.isNull() ? pictures.Plot().rect() : ChangedPixels(before, pictures.Plot()))
        << step.age << "/" << step.error;
    // The same as a few rectangles that leave no changed pixel out.
    const std::span<const QRect> parts = pictures.PlotChangedParts();
    EXPECT_LE(parts.size(), kMaxPlotParts);
    QRegion covered;
    for (const QRect& part : parts) covered += part;
    EXPECT_EQ(covered.boundingRect(), pictures.PlotChanged()) << step.age << "/" << step.error;
    if (!before.isNull()) {
      EXPECT_EQ(UncoveredChanges(before, pictures.Plot(), covered), 0)
          << step.age << "/" << step.error;
    }
  }
}

TEST(ShownTogether, PlotOverTheRulerWithoutItsTopRow) {
  CalibrationState state = StateFor(EmbeddedCurve(), 2501, 50);
  DistributionPictures pictures(kColours);
  Calibrate(state, &pictures);
  const QImage both = ShownTogether(pictures.Plot(), pictures.Ruler());
  ASSERT_EQ(both.size(), QSize(777, 297));
  EXPECT_EQ(both.copy(0, 0, 777, 249), pictures.Plot().copy());
  EXPECT_EQ(both.copy(0, 249, 777, 48), pictures.Ruler().copy(0, 1, 777, 48));
}

}  // namespace
}  // namespace kal
