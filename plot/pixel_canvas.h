// A drawing surface over a QImage that keeps the pixel rules the plot and the
// ruler were designed for, which QPainter does not follow: a rectangle's
// outline lies on its outermost pixels with the right and bottom coordinates
// outside it, a line leaves out its end point, and text first fills its whole
// cell (measured width by the font's cell height) with the brush colour.
//
// Like the canvas it stands in for, the surface remembers its pen position,
// brush and font between drawings; a new one starts with a black pen, a white
// brush and "MS Sans Serif" at 8 points. Frames and lines are written to the
// pixels directly (they are most of a plot and QPainter lines cost some 25
// times more); only text goes through QPainter.
#ifndef KAL_PLOT_PIXEL_CANVAS_H_
#define KAL_PLOT_PIXEL_CANVAS_H_

#include <QtGui/qrgb.h>

#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QString>
#include <optional>

namespace kal {

inline constexpr QRgb kBlack = 0xFF000000;
inline constexpr QRgb kWhite = 0xFFFFFFFF;

class PixelCanvas {
 public:
  // A width x height picture, all white, whose text is drawn in text_colour.
  PixelCanvas(int width, int height, QRgb text_colour);

  // The pixels. Paint from this reference: a copy kept elsewhere makes the
  // next drawing copy the whole image first.
  const QImage& Image() const { return image_; }

  QRgb BrushColour() const { return brush_; }
  void SetBrushColour(QRgb colour) { brush_ = colour; }
  QRgb PenColour() const { return pen_; }
  void SetPenColour(QRgb colour) { pen_ = colour; }

  const QString& FontName() const { return font_name_; }
  void SetFontName(const QString& name);
  int FontSize() const { return font_points_; }  // points at 96 dots per inch
  void SetFontSize(int points);
  // The font as it is drawn: the name resolved by the font system, the size
  // as a pixel height, glyphs without smoothing so that every glyph pixel is
  // exactly the text colour.
  const QFont& Font();

  // Outline in the pen colour on columns left and right - 1 and rows top and
  // bottom - 1, everything inside filled with the brush colour.
  void Rectangle(int left, int top, int right, int bottom);
  void MoveTo(int x, int y);
  // Every pixel from the pen position towards (x, y), (x, y) itself left out;
  // the pen position moves to (x, y).
  void LineTo(int x, int y);
  // The text's cell, TextWidth(text) by the font's height, filled with the
  // brush colour, then the glyphs drawn in the text colour with the cell's
  // top-left corner at (x, y).
  void TextOut(int x, int y, const QString& text);
  // Width of the whole text in the current font, leading blanks included.
  int TextWidth(const QString& text);
  // Height of the font's cell: ascent plus descent.
  int TextHeight();

 private:
  // Makes the pixels this surface's own (a painted copy may still share
  // them) and points bits_ at them; every drawing operation starts here.
  void Unshare();
  void Plot(int x, int y) {
    if (x >= 0 && x < width_ && y >= 0 && y < height_) Row(y)[x] = pen_;
  }
  QRgb* Row(int y) { return reinterpret_cast<QRgb*>(bits_ + static_cast<qsizetype>(y) * stride_); }
  void FillSpan(int y, int from, int to, QRgb colour);  // columns [from, to), clipped
  void FillBox(int left, int top, int right, int bottom, QRgb colour);
  // Copies row `source`'s columns [left, right) to the rows after it up to `end`.
  void CopyRowDown(int source, int end, int left, int right);
  const QFontMetrics& Metrics();

  QImage image_;
  uchar* bits_ = nullptr;
  qsizetype stride_;
  int width_;
  int height_;
  QRgb pen_ = kBlack;
  QRgb brush_ = kWhite;
  QRgb text_colour_;
  QString font_name_ = QStringLiteral("MS Sans Serif");
  int font_points_ = 8;
  int pen_x_ = 0;
  int pen_y_ = 0;
  // Resolved lazily after a change of name or size.
  std::optional<QFont> font_;
  std::optional<QFontMetrics> metrics_;
  QHash<QString, int> widths_;  // TextWidth in the current font
};

}  // namespace kal

#endif  // KAL_PLOT_PIXEL_CANVAS_H_
