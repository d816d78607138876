// A calibration curve that is a straight line, age = 1950 - year: the fixture
// of the worked examples, where every answer can be followed by hand.
#ifndef KAL_TESTS_CORE_STRAIGHT_LINE_H_
#define KAL_TESTS_CORE_STRAIGHT_LINE_H_

#include <vector>

#include "core/cal_curve.h"

namespace kal::testing {

inline CurveTable StraightLineCurve() {
  std::vector<int32_t> values;
  for (int32_t y = CurveTable::kOldestYear; y <= CurveTable::kYoungestYear; ++y) {
    values.push_back(1950 - y);
  }
  return LoadCurveValues(values, CurveTable::kOldestYear).value();
}

}  // namespace kal::testing

#endif  // KAL_TESTS_CORE_STRAIGHT_LINE_H_
