#include "plot/distribution_pictures.h"

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/numbers.h"

namespace kal {

DesktopColours PaletteColours() {
  const QPalette palette = QGuiApplication::palette();
  return {palette.color(QPalette::Button).rgb(), palette.color(QPalette::WindowText).rgb()};
}

QString RulerLabel(int64_t year) {
  if (year == 0) return QStringLiteral("AD/BC");
  return QString::number(std::llabs(year)).rightJustified(5, u' ') +
         (year < 0 ? QStringLiteral("BC") : QStringLiteral("AD"));
}

int BarTop(double weight, int height) {
  return static_cast<int>(RoundHalfEven((1 - Extended{weight}) * height));
}

void DrawYearRuler(PixelCanvas& canvas, int height, int64_t centre) {
  canvas.Rectangle(0, 0, kPictureWidth, height);  // wipes the last ruler
  canvas.SetFontSize(18);
  canvas.SetFontName(QStringLiteral("Arial"));
  for (int k = -40; k <= 40; ++k) {  // the outermost fall outside and are clipped
    const int column = kCentreColumn + 10 * k;
    canvas.MoveTo(column, 0);
    canvas.LineTo(column, 5);
  }
  for (int j = -3; j <= 3; ++j) {
    const int column = kCentreColumn + 100 * j;
    canvas.MoveTo(column, 0);
    canvas.LineTo(column, 10);
    const QString label = RulerLabel(centre + 100 * j);
    const int width = canvas.TextWidth(label);
    // The cell's brush covers the end of the label before where they meet.
    canvas.TextOut(column - width / 2, 10, label);
  }
}

namespace {

// The plot from scratch: the frame wipes the last one, then a bar per column
// from the bottom edge up to, not including, row tops[x].
void DrawBars(PixelCanvas& canvas, int height, QRgb button_face, std::span<const int> tops) {
  canvas.SetBrushColour(button_face);
  canvas.Rectangle(0, 0, static_cast<int>(tops.size()), height);
  for (size_t x = 0; x < tops.size(); ++x) {
    const int column = static_cast<int>(x);
    canvas.MoveTo(column, height);
    canvas.LineTo(column, tops[x]);
  }
}

// Covers the changed rows of each column, given left to right, with at most
// kMaxPlotParts rectangles and few pixels besides the changed ones. Columns
// first gather into boxes that waste little; then the two
// neighbouring boxes whose joining adds the fewest pixels are joined, again
// and again, while there are too many boxes or a join adds fewer pixels than
// one more rectangle costs to copy and send. Gathering first keeps the
// joining short: some twenty boxes rather than hundreds of columns.
class ChangedParts {
 public:
  void Add(int column, int first_row, int last_row) {
    if (count_ > 0) {
      Box& last = boxes_[count_ - 1];
      const Box joined = Joined(last, {column, column, first_row, last_row});
      if (count_ == boxes_.size() ||
          Area(joined) - Area(last) <= (last_row - first_row + 1) + kGatherCost) {
        last = joined;
        return;
      }
    }
    boxes_[count_++] = {column, column, first_row, last_row};
  }

  // Joins boxes as above and writes the rectangles; returns their count.
  size_t Finish(std::array<QRect, kMaxPlotParts>& parts) {
    while (count_ > 1) {
      size_t best = 0;
      int64_t best_added = INT64_MAX;
      for (size_t i = 0; i + 1 < count_; ++i) {
        const int64_t added =
            Area(Joined(boxes_[i], boxes_[i + 1])) - Area(boxes_[i]) - Area(boxes_[i + 1]);
        if (added < best_added) {
          best_added = added;
          best = i;
        }
      }
      if (count_ <= parts.size() && best_added >= kPartCost) break;
      boxes_[best] = Joined(boxes_[best], boxes_[best + 1]);
      std::copy(boxes_.begin() + static_cast<std::ptrdiff_t>(best) + 2,
                boxes_.begin() + static_cast<std::ptrdiff_t>(count_),
                boxes_.begin() + static_cast<std::ptrdiff_t>(best) + 1);
      --count_;
    }
    for (size_t i = 0; i < count_; ++i) {
      const Box& b = boxes_[i];
      parts[i] = QRect(QPoint(b.left, b.top), QPoint(b.right, b.bottom));
    }
    return count_;
  }

 private:
  struct Box {
    int left, right, top, bottom;  // inclusive
  };
  // Pixels worth as much as one more rectangle, when gathering and joining.
  static constexpr int64_t kGatherCost = 256;
  static constexpr int64_t kPartCost = 1024;
  static int64_t Area(const Box& b) {
    return int64_t{b.right - b.left + 1} * (b.bottom - b.top + 1);
  }
  static Box Joined(const Box& a, const Box& b) {
    return {std::min(a.left, b.left), std::max(a.right, b.right), std::min(a.top, b.top),
            std::max(a.bottom, b.bottom)};
  }

  std::array<Box, 128> boxes_;
  size_t count_ = 0;
};

// The same pixels as DrawBars(tops) on a canvas that holds DrawBars(drawn)
// with the same colours: a pixel of the plot depends only on its column's
// top, so only the rows between a column's old and new top change. A tick of
// the sweep moves most tops by a row or two; redrawing the 777 x 249 pixels
// every time would cost ten times more than the calculation.
// Adds the pixels it changed to `changed`, column by column.
void RedrawChangedBars(PixelCanvas& canvas, int height, QRgb button_face,
                       std::span<const int> drawn, std::span<const int> tops,
                       ChangedParts& changed) {
  const QRgb pen = canvas.PenColour();
  canvas.SetBrushColour(button_face);
  const int last_column = static_cast<int>(tops.size()) - 1;
  for (int x = 1; x < last_column; ++x) {  // columns 0 and W - 1 are frame, black either way
    const int old_top = drawn[x];
    const int top = tops[x];
    if (top == old_top) continue;
    if (top < old_top) {
      // Taller: rows top + 1 .. old_top turn black.
      canvas.MoveTo(x, old_top);
      canvas.LineTo(x, top);
    } else {
      // Shorter: rows old_top + 1 .. top turn to the background, the bottom
      // frame row excepted.
      canvas.SetPenColour(button_face);
      canvas.MoveTo(x, old_top + 1);
      canvas.LineTo(x, std::min(top, height - 2) + 1);
      canvas.SetPenColour(pen);
    }
    const int first_row = std::max(std::min(top, old_top) + 1, 1);
    const int last_row = std::min(std::max(top, old_top), height - 2);
    if (first_row <= last_row) changed.Add(x, first_row, last_row);
  }
}

}  // namespace

void DrawWeightBars(PixelCanvas& canvas, int height, QRgb button_face,
                    std::span<const double> weights) {
  std::vector<int> tops(weights.size());
  for (size_t x = 0; x < weights.size(); ++x) tops[x] = BarTop(weights[x], height);
  DrawBars(canvas, height, button_face, tops);
}

QImage ShownTogether(const QImage& plot, const QImage& ruler) {
  const int ruler_rows = ruler.height() - 1;
  QImage both(plot.width(), plot.height() + ruler_rows, QImage::Format_RGB32);
  const QImage top = plot.convertToFormat(QImage::Format_RGB32);
  const QImage bottom = ruler.convertToFormat(QImage::Format_RGB32);
  const size_t row_bytes = static_cast<size_t>(plot.width()) * sizeof(QRgb);
  for (int y = 0; y < top.height(); ++y)
    std::memcpy(both.scanLine(y), top.constScanLine(y), row_bytes);
  for (int y = 0; y < ruler_rows; ++y) {
    std::memcpy(both.scanLine(top.height() + y), bottom.constScanLine(y + 1), row_bytes);
  }
  return both;
}

DistributionPictures::DistributionPictures(DesktopColours colours) : colours_(colours) {}

QRect DistributionPictures::PlotChanged() const {
  QRect bounds;
  for (const QRect& part : PlotChangedParts()) bounds |= part;
  return bounds;
}

void DistributionPictures::DrawRuler(CalibrationState& state) {
  const int32_t centre = CentreYear(state.RangeFirst, state.RangeLast);
  if (state.RulerCentre == centre) return;
  state.RulerCentre = centre;
  if (!ruler_) ruler_.emplace(kPictureWidth, kRulerHeight, colours_.window_text);
  DrawYearRuler(*ruler_, kRulerHeight, centre);
  ++ruler_drawings_;
}

void DistributionPictures::DrawDistribution(CalibrationState& state) {
  const int64_t centre = state.RulerCentre.value_or(CentreYear(state.RangeFirst, state.RangeLast));
  std::array<int, kPictureWidth> tops;
  for (int x = 0; x < kPictureWidth; ++x) {
    // Years after the curve's end have no curve value and so weight 0.
    const double weight = WeightOf(state, static_cast<int32_t>(x - kCentreColumn + centre));
    // Most columns lie outside the calendar window and have no bar.
    tops[x] = weight == 0 ? kPlotHeight : BarTop(weight, kPlotHeight);
  }
  if (plot_) {
    ChangedParts changed;
    RedrawChangedBars(*plot_, kPlotHeight, colours_.button_face, drawn_tops_, tops, changed);
    plot_part_count_ = changed.Finish(plot_parts_);
  } else {
    plot_.emplace(kPictureWidth, kPlotHeight, colours_.window_text);
    DrawBars(*plot_, kPlotHeight, colours_.button_face, tops);
    plot_parts_[0] = plot_->Image().rect();
    plot_part_count_ = 1;
  }
  drawn_tops_ = tops;
  ++plot_drawings_;
}

}  // namespace kal
