#include "plot/pixel_canvas.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace kal {
namespace {

// Font sizes are points at the 96 dots per inch the window is laid out for,
// rounded to whole pixels as the original canvas does (8 points: 11 pixels).
int PixelsOfPoints(int points) {
  const int scaled = points * 96;
  return scaled >= 0 ? (scaled + 36) / 72 : -((-scaled + 36) / 72);
}

}  // namespace

PixelCanvas::PixelCanvas(int width, int height, QRgb text_colour)
    : image_(width, height, QImage::Format_RGB32),
      width_(width),
      height_(height),
      text_colour_(text_colour) {
  image_.fill(kWhite);
  stride_ = image_.bytesPerLine();
  bits_ = image_.bits();
}

void PixelCanvas::Unshare() {
  // Asking for the bits detaches the image every time, which costs more than
  // drawing a bar; the pointer only moves when a copy shares the pixels.
  if (!image_.isDetached()) bits_ = image_.bits();
}

void PixelCanvas::SetFontName(const QString& name) {
  if (name == font_name_) return;
  font_name_ = name;
  font_.reset();
  metrics_.reset();
  widths_.clear();
}

void PixelCanvas::SetFontSize(int points) {
  if (points == font_points_) return;
  font_points_ = points;
  font_.reset();
  metrics_.reset();
  widths_.clear();
}

const QFont& PixelCanvas::Font() {
  if (!font_) {
    font_.emplace(font_name_);
    font_->setPixelSize(std::max(1, std::abs(PixelsOfPoints(font_points_))));
    font_->setStyleStrategy(QFont::NoAntialias);
  }
  return *font_;
}

const QFontMetrics& PixelCanvas::Metrics() {
  if (!metrics_) metrics_.emplace(Font());
  return *metrics_;
}

void PixelCanvas::FillSpan(int y, int from, int to, QRgb colour) {
  if (y < 0 || y >= height_) return;
  from = std::max(from, 0);
  to = std::min(to, width_);
  if (from >= to) return;
  QRgb* row = Row(y);
  std::fill(row + from, row + to, colour);
}

void PixelCanvas::FillBox(int left, int top, int right, int bottom, QRgb colour) {
  top = std::max(top, 0);
  bottom = std::min(bottom, height_);
  if (top >= bottom) return;
  FillSpan(top, left, right, colour);
  CopyRowDown(top, bottom, left, right);
}

void PixelCanvas::CopyRowDown(int source, int end, int left, int right) {
  left = std::max(left, 0);
  right = std::min(right, width_);
  if (left >= right || source < 0 || source >= height_) return;
  // A row of pixels is one memcpy, far cheaper than a fill loop at this
  // optimisation level; the plot's frame is most of a drawing's pixels.
  const size_t bytes = static_cast<size_t>(right - left) * sizeof(QRgb);
  const QRgb* from = Row(source) + left;
  for (int y = source + 1; y < std::min(end, height_); ++y) std::memcpy(Row(y) + left, from, bytes);
}

void PixelCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (left == right || top == bottom) return;
  Unshare();
  FillSpan(top, left, right, pen_);
  if (bottom - top == 1) return;
  FillSpan(bottom - 1, left, right, pen_);
  // Every row between the top and bottom lines is the same: pen, brush, pen.
  const int first = std::max(top + 1, 0);
  if (first >= std::min(bottom - 1, height_)) return;
  FillSpan(first, left + 1, right - 1, brush_);
  Plot(left, first);
  Plot(right - 1, first);
  CopyRowDown(first, bottom - 1, left, right);
}

void PixelCanvas::MoveTo(int x, int y) {
  pen_x_ = x;
  pen_y_ = y;
}

void PixelCanvas::LineTo(int x, int y) {
  const int x0 = std::exchange(pen_x_, x);
  const int y0 = std::exchange(pen_y_, y);
  Unshare();
  if (x0 == x) {
    // Vertical, the plot's bars and the ruler's ticks: rows from y0 towards y.
    if (x < 0 || x >= width_ || y0 == y) return;
    int from = y0 < y ? y0 : y + 1;  // [from, to) without the end point
    int to = y0 < y ? y : y0 + 1;
    from = std::max(from, 0);
    to = std::min(to, height_);
    for (int row = from; row < to; ++row) Row(row)[x] = pen_;
    return;
  }
  if (y0 == y) {
    if (x0 < x)
      FillSpan(y, x0, x, pen_);
    else
      FillSpan(y, x + 1, x0 + 1, pen_);
    return;
  }
  // Any other slope: Bresenham's steps from the start, stopping before the end.
  const int dx = std::abs(x - x0);
  const int dy = -std::abs(y - y0);
  const int sx = x0 < x ? 1 : -1;
  const int sy = y0 < y ? 1 : -1;
  int err = dx + dy;
  int px = x0;
  int py = y0;
  while (px != x || py != y) {
    Plot(px, py);
    const int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      px += sx;
    }
    if (e2 <= dx) {
      err += dx;
      py += sy;
    }
  }
}

int PixelCanvas::TextWidth(const QString& text) {
  // Measuring lays the text out, which costs more than drawing a bar plot;
  // the ruler measures the same few labels again and again.
  if (const auto known = widths_.constFind(text); known != widths_.cend()) return *known;
  if (widths_.size() >= 512) widths_.clear();
  const int width = Metrics().horizontalAdvance(text);
  widths_.insert(text, width);
  return width;
}

int PixelCanvas::TextHeight() { return Metrics().height(); }

void PixelCanvas::TextOut(int x, int y, const QString& text) {
  const int width = TextWidth(text);
  Unshare();
  FillBox(x, y, x + width, y + TextHeight(), brush_);
  QPainter painter(&image_);
  painter.setFont(Font());
  painter.setPen(QColor::fromRgb(text_colour_));
  painter.drawText(QPoint(x, y + Metrics().ascent()), text);
}

}  // namespace kal
