#include "plot/pixel_canvas.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kal {
namespace {

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kInk = 0xFF102030;

// The picture as rows of characters: '.' white, '#' black, 'r' red.
std::vector<std::string> Art(const QImage& image) {
  std::vector<std::string> rows;
  for (int y = 0; y < image.height(); ++y) {
    std::string row;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      row += p == kWhite ? '.' : p == kBlack ? '#' : p == kRed ? 'r' : '?';
    }
    rows.push_back(row);
  }
  return rows;
}

TEST(PixelCanvas, StartsWhiteWithTheOriginalPenBrushAndFont) {
  PixelCanvas canvas(4, 3, kInk);
  EXPECT_EQ(Art(canvas.Image()), (std::vector<std::string>{"....", "....", "...."}));
  EXPECT_EQ(canvas.PenColour(), kBlack);
  EXPECT_EQ(canvas.BrushColour(), kWhite);
  EXPECT_EQ(canvas.FontName(), "MS Sans Serif");
  EXPECT_EQ(canvas.FontSize(), 8);
  EXPECT_EQ(canvas.Font().pixelSize(), 11);
  canvas.SetFontSize(18);
  canvas.SetFontName("Arial");
  EXPECT_EQ(canvas.Font().pixelSize(), 24);  // 18 points at 96 dots per inch
  EXPECT_EQ(canvas.Font().family(), "Arial");
}

TEST(PixelCanvas, RectangleLeavesOutItsRightAndBottomCoordinates) {
  PixelCanvas canvas(9, 7, kInk);
  canvas.SetBrushColour(kRed);
  canvas.Rectangle(1, 1, 7, 6);
  EXPECT_EQ(Art(canvas.Image()), (std::vector<std::string>{
                                     ".........",
                                     ".######..",
                                     ".#rrrr#..",
                                     ".#rrrr#..",
                                     ".#rrrr#..",
                                     ".######..",
                                     ".........",
                                 }));
  // The whole picture: the outline on its outermost pixels.
  canvas.SetBrushColour(kWhite);
  canvas.Rectangle(0, 0, 9, 7);
  EXPECT_EQ(Art(canvas.Image()), (std::vector<std::string>{
                                     "#########",
                                     "#.......#",
                                     "#.......#",
                                     "#.......#",
                                     "#.......#",
                                     "#.......#",
                                     "#########",
                                 }));
}

TEST(PixelCanvas, RectanglesReachingOutsideAreClipped) {
  PixelCanvas canvas(5, 5, kInk);
  canvas.SetBrushColour(kRed);
  canvas.Rectangle(0, -6, 5, -1);  // wholly above
  canvas.Rectangle(-2, -1, 3, 4);
  EXPECT_EQ(Art(canvas.Image()),
            (std::vector<std::string>{"rr#..", "rr#..", "rr#..", "###..", "....."}));
  canvas.Rectangle(1, 3, 4, 9);
  EXPECT_EQ(Art(canvas.Image()),
            (std::vector<std::string>{"rr#..", "rr#..", "rr#..", "####.", ".#r#."}));
}

TEST(PixelCanvas, LinesLeaveOutTheirEndPoint) {
  const struct {
    const char* name;
    int x0, y0, x1, y1;
    std::vector<std::string> art;
  } cases[] = {
      {"down", 2, 0, 2, 3, {"..#..", "..#..", "..#..", ".....", "....."}},
      {"up from below the picture", 1, 5, 1, 2, {".....", ".....", ".....", ".#...", ".#..."}},
      {"right", 0, 1, 4, 1, {".....", "####.", ".....", ".....", "....."}},
      {"left", 4, 1, 0, 1, {".....", ".####", ".....", ".....", "....."}},
      {"no length", 2, 2, 2, 2, {".....", ".....", ".....", ".....", "....."}},
      {"diagonal", 0, 0, 4, 4, {"#....", ".#...", "..#..", "...#.", "....."}},
      {"outside", 7, 0, 7, 4, {".....", ".....", ".....", ".....", "....."}},
  };
  for (const auto& c : cases) {
    PixelCanvas canvas(5, 5, kInk);
    canvas.MoveTo(c.x0, c.y0);
    canvas.LineTo(c.x1, c.y1);
    EXPECT_EQ(Art(canvas.Image()), c.art) << c.name;
  }
}

TEST(PixelCanvas, LineToContinuesFromItsEndPoint) {
  PixelCanvas canvas(5, 5, kInk);
  canvas.MoveTo(0, 0);
  canvas.LineTo(0, 3);
  canvas.LineTo(3, 3);
  EXPECT_EQ(Art(canvas.Image()),
            (std::vector<std::string>{"#....", "#....", "#....", "###..", "....."}));
}

TEST(PixelCanvas, TextFillsItsWholeCellWithTheBrushFirst) {
  PixelCanvas canvas(120, 50, kInk);
  canvas.SetFontName("Arial");
  canvas.SetFontSize(18);
  canvas.SetBrushColour(kRed);
  const QString text = "  4B";
  const int width = canvas.TextWidth(text);
  const int height = canvas.TextHeight();
  EXPECT_GT(width, canvas.TextWidth("4B"));  // the blanks count
  EXPECT_EQ(height, QFontMetrics(canvas.Font()).ascent() + QFontMetrics(canvas.Font()).descent());
  canvas.TextOut(7, 5, text);
  int ink = 0;
  int ink_left = 120;
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x < 120; ++x) {
      const QRgb p = canvas.Image().pixel(x, y);
      const bool in_cell = x >= 7 && x < 7 + width && y >= 5 && y < 5 + height;
      if (!in_cell) {
        ASSERT_EQ(p, kWhite) << x << "," << y;
        continue;
      }
      ASSERT_TRUE(p == kRed || p == kInk) << x << "," << y;  // no smoothing
      if (p == kInk) {
        ++ink;
        ink_left = std::min(ink_left, x);
      }
    }
  }
  EXPECT_GT(ink, 20);
  EXPECT_GE(ink_left, 7 + canvas.TextWidth("  "));
}

TEST(PixelCanvas, DrawingLeavesAPaintedCopyAlone) {
  PixelCanvas canvas(3, 3, kInk);
  const QImage copy = canvas.Image();
  canvas.SetBrushColour(kRed);
  canvas.Rectangle(0, 0, 3, 3);
  canvas.MoveTo(1, 0);
  canvas.LineTo(1, 3);
  EXPECT_EQ(Art(copy), (std::vector<std::string>{"...", "...", "..."}));
  EXPECT_EQ(Art(canvas.Image()), (std::vector<std::string>{"###", "###", "###"}));
}

}  // namespace
}  // namespace kal
