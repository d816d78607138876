#include "ui/jog_and_sweep.h"

#include <algorithm>
#include <cmath>

#include "core/numbers.h"

namespace kal::ui {

int32_t JogStep(int x, int width) {
  if (width <= 0) return 0;
  const int half = width / 2;
  const double f = 2.0 * (x - half) / width;
  if (f == 0.0) return 0;
  const int64_t size = RoundHalfEven(std::exp(static_cast<Extended>(std::fabs(f)) * 10));
  return static_cast<int32_t>(f < 0 ? -size : size);
}

int32_t JogAge(int32_t age, int x, int width) {
  const int64_t next = static_cast<int64_t>(age) + JogStep(x, width);
  return static_cast<int32_t>(std::min<int64_t>(std::max<int64_t>(next, kJogLowest), kJogHighest));
}

int32_t SweepStep(int position) {
  constexpr Extended kRate = 0.04L;
  return static_cast<int32_t>(RoundHalfEven(std::exp(position * kRate)));
}

QImage JogStripPicture() {
  struct Span {
    int row, first, last;
  };
  // The black pixels as column ranges, row by row from the top.
  // clang-format off
  static constexpr Span kBlack[] = {
      {0, 0, 1}, {0, 50, 50}, {0, 97, 100},
      {1, 0, 1}, {1, 50, 50}, {1, 91, 96}, {1, 99, 100},
      {2, 0, 1}, {2, 50, 50}, {2, 86, 90}, {2, 98, 100},
      {3, 0, 1}, {3, 50, 50}, {3, 81, 85}, {3, 98, 100},
      {4, 0, 1}, {4, 50, 50}, {4, 76, 80}, {4, 98, 100},
      {5, 0, 5}, {5, 50, 50}, {5, 71, 75}, {5, 98, 100},
      {6, 0, 5}, {6, 50, 50}, {6, 65, 70}, {6, 97, 100},
      {7, 0, 4}, {7, 50, 50}, {7, 60, 64}, {7, 97, 100},
      {8, 0, 4}, {8, 50, 50}, {8, 55, 59}, {8, 97, 100},
      {9, 0, 4}, {9, 50, 54}, {9, 96, 100},
      {10, 0, 4}, {10, 45, 50}, {10, 96, 100},
      {11, 0, 3}, {11, 39, 44}, {11, 50, 50}, {11, 96, 100},
      {12, 0, 3}, {12, 34, 38}, {12, 50, 50}, {12, 96, 100},
      {13, 0, 3}, {13, 29, 33}, {13, 50, 50}, {13, 95, 100},
      {14, 0, 2}, {14, 24, 28}, {14, 50, 50}, {14, 95, 100},
      {15, 0, 2}, {15, 19, 23}, {15, 50, 50}, {15, 99, 100},
      {16, 0, 2}, {16, 13, 18}, {16, 50, 50}, {16, 99, 100},
      {17, 0, 2}, {17, 8, 12}, {17, 50, 50}, {17, 99, 100},
      {18, 0, 1}, {18, 4, 7}, {18, 50, 50}, {18, 99, 100},
      {19, 0, 3}, {19, 50, 50}, {19, 99, 100},
  };
  // clang-format on
  QImage picture(101, 20, QImage::Format_RGB32);
  picture.fill(qRgb(192, 192, 192));
  for (const Span& span : kBlack) {
    auto* pixels = reinterpret_cast<QRgb*>(picture.scanLine(span.row));
    std::fill(pixels + span.first, pixels + span.last + 1, qRgb(0, 0, 0));
  }
  return picture;
}

}  // namespace kal::ui
