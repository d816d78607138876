// The two pictures of every calculation: the distribution plot (Image1, one
// pixel column per calendar year, a black bar as high as the year's weight)
// and, under it, the year ruler (Image2, a tick every 10 years, a long tick
// and a label every 100). DistributionPictures owns both bitmaps and is the
// drawing a calculation is given:
//
//   kal::DistributionPictures pictures;
//   kal::Calibrate(state, &pictures);
//   if (pictures.HasPlot()) painter.drawImage(0, 0, pictures.Plot());
//
// Neither bitmap exists before the first calculation. The plot is redrawn by
// every calculation; the ruler only when the year in the middle column,
// rounded to whole hundreds, changes (state.RulerCentre remembers it), and
// its pixels stay as they are otherwise.
#ifndef KAL_PLOT_DISTRIBUTION_PICTURES_H_
#define KAL_PLOT_DISTRIBUTION_PICTURES_H_

#include <QtGui/qrgb.h>

#include <QImage>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "core/calibration.h"
#include "plot/pixel_canvas.h"

namespace kal {

inline constexpr int kPictureWidth = 777;
inline constexpr int kPlotHeight = 249;
inline constexpr int kRulerHeight = 49;
// The column of the middle year on both pictures.
inline constexpr int kCentreColumn = kPictureWidth / 2;
// At most this many rectangles describe what a drawing of the plot changed.
inline constexpr size_t kMaxPlotParts = 4;

// The desktop colours the pictures use: clBtnFace, the window's background
// and the plot's, and clWindowText, the ruler's labels.
struct DesktopColours {
  QRgb button_face;
  QRgb window_text;
};
// The running application's palette (Button and WindowText); needs a
// QGuiApplication.
DesktopColours PaletteColours();

class DistributionPictures final : public CalibrationDrawing {
 public:
  // Needs a QGuiApplication (the ruler measures and draws text).
  explicit DistributionPictures(DesktopColours colours = PaletteColours());

  // Sets state.RulerCentre to the window's centre year and redraws the ruler
  // when that changes it (always the first time).
  void DrawRuler(CalibrationState& state) override;
  // Redraws the plot around state.RulerCentre with WeightOf's weights. After
  // the first drawing only the pixels that change are written: the picture
  // is the same as one drawn afresh.
  void DrawDistribution(CalibrationState& state) override;

  bool HasPlot() const { return plot_.has_value(); }
  bool HasRuler() const { return ruler_.has_value(); }
  // The bitmaps, 777 x 249 and 777 x 49; a null image while Has...() is false.
  const QImage& Plot() const { return plot_ ? plot_->Image() : no_image_; }
  const QImage& Ruler() const { return ruler_ ? ruler_->Image() : no_image_; }
  // How many times each picture has been drawn: a picture needs repainting
  // when its count moved since it was last painted.
  uint64_t PlotDrawings() const { return plot_drawings_; }
  // The part of the plot the last drawing changed (the whole plot the first
  // time; empty when it changed nothing): a window may repaint just that.
  QRect PlotChanged() const;
  // The same part as a few rectangles that together cover every changed
  // pixel (none when nothing changed). A tick of the sweep moves the tops of
  // the bars by a row or two all along the curve, so the bounding rectangle
  // is most of the plot while the pixels that changed are a thin band; a
  // handful of rectangles round stretches of neighbouring columns cover the
  // band with little waste, and each costs little to copy and send.
  std::span<const QRect> PlotChangedParts() const {
    return std::span<const QRect>(plot_parts_.data(), plot_part_count_);
  }
  uint64_t RulerDrawings() const { return ruler_drawings_; }

 private:
  DesktopColours colours_;
  std::optional<PixelCanvas> plot_;
  std::array<int, kPictureWidth> drawn_tops_{};  // the bars the plot's pixels show
  std::optional<PixelCanvas> ruler_;
  std::array<QRect, kMaxPlotParts> plot_parts_{};
  size_t plot_part_count_ = 0;
  uint64_t plot_drawings_ = 0;
  uint64_t ruler_drawings_ = 0;
  QImage no_image_;
};

// A ruler label: the year's digits right-aligned in five characters, then
// "BC" or "AD" ("  400BC", " 1000AD", "12300BC"); "AD/BC" for year 0.
QString RulerLabel(int64_t year);

// The top row of a bar, (1 - weight) * height to the nearest row, halves to
// even; the bar covers the rows below it. Weight 0 gives height: no bar.
int BarTop(double weight, int height);

// The ruler for centre year `centre` on a kPictureWidth-wide surface.
void DrawYearRuler(PixelCanvas& canvas, int height, int64_t centre);

// The plot: a frame around a button_face interior and one bar per column
// from weights[x], on a surface as wide as weights.
void DrawWeightBars(PixelCanvas& canvas, int height, QRgb button_face,
                    std::span<const double> weights);

// Plot over ruler as the window shows them: the plot's rows, then the ruler's
// rows from 1 on (its row 0 lies under the plot's bottom row).
QImage ShownTogether(const QImage& plot, const QImage& ruler);

}  // namespace kal

#endif  // KAL_PLOT_DISTRIBUTION_PICTURES_H_
