// A user's .14c curve file: whatever its text, reading, interpolating,
// loading and calibrating on it never crashes or leaves a table.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/cal_curve.h"
#include "core/calibration.h"
#include "core/curve_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto nodes = kal::ParseCurveText(text);
  if (!nodes) return 0;
  const kal::AnnualList list =
      kal::AnnualAges(*nodes, kal::CurveTable::kOldestYear, kal::CurveTable::kYoungestYear);
  const auto curve = kal::LoadCurveValues(list.values, list.start_year);
  if (!curve) return 0;
  kal::CalibrationState state;
  state.CalCurve = &curve.value();
  for (int32_t age : {1, 2500, 45000, 1000000}) {
    for (int32_t sigma : {1, 55, 2005}) {
      if (kal::InputProblem(age, sigma)) continue;
      state.SampleAge = age;
      state.Sigma = sigma;
      state.GaussReady = false;
      kal::Calibrate(state);
    }
  }
  return 0;
}
