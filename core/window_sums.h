// The two running sums of a calculation over its window: the normalising sum
// S and the running share that finds the cut points. Both must equal, to the
// last bit, sums carried in extended precision and rounded to double at every
// step. Extended (x87) arithmetic with a rounding store per step costs some 25
// cycles per year here, so the fast loop adds whole numbers of the sum's ulp
// instead, several years at a time, and takes the extended step itself only
// where that shortcut does not hold; where the sum is still young, a chain of
// double additions checked for rounding doubt does the work.
#ifndef KAL_CORE_WINDOW_SUMS_H_
#define KAL_CORE_WINDOW_SUMS_H_

#include <cstdint>

namespace kal {

// The weights of a window's years: every year has a curve value and the
// table covers -band..band.
struct WindowWeights {
  const int32_t* ages;    // curve ages of the window's years, oldest first
  int32_t length;         // years in the window
  const double* weights;  // weight table at d = 0
  int32_t band;           // 4 x Sigma
  int32_t age;            // SampleAge

  double Weight(int32_t i) const {
    const int32_t d = ages[i] - age;
    return static_cast<uint32_t>(d + band) <= 2 * static_cast<uint32_t>(band) ? weights[d] : 0.0;
  }
};

// S: the weights added in year order, each addition as if in extended
// precision, then the 0.00001 floor.
double WindowSumExtended(const WindowWeights& window);

// The first years at which the running share (each step double(share +
// weight / sum), the quotient in extended precision) exceeds 0.023 and 0.977;
// a cut that no year reaches stays 0. Years are counted from `first_year`.
struct CutYears {
  int32_t lower = 0;
  int32_t upper = 0;
};
CutYears WindowCutsExtended(const WindowWeights& window, int32_t first_year, double sum);

// Both, with the same results to the last bit, in a fraction of the time:
// the definitions above are what it is tested against.
struct WindowTotals {
  double sum = 0.0;
  CutYears cuts;
};
WindowTotals WindowSumAndCuts(const WindowWeights& window, int32_t first_year);

// The vector width the fast loop runs with. Every width gives the same
// results to the last bit; kWidest takes four years at a time where the
// processor has AVX2 and two (SSE2, always present on x86-64) elsewhere.
enum class SumLanes { kWidest, kTwo };
WindowTotals WindowSumAndCuts(const WindowWeights& window, int32_t first_year, SumLanes lanes);

}  // namespace kal

#endif  // KAL_CORE_WINDOW_SUMS_H_
