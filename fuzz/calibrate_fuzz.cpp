// Any age and error that the calculation accepts: the fast sums and window
// search give exactly what the step-by-step definition gives, and nothing
// reads outside a table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/calibration.h"
#include "data/curves.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const kal::LoadedCurve curve = kal::DefaultCurve();
  if (size < 8) return 0;
  int32_t age, error;
  std::memcpy(&age, data, 4);
  std::memcpy(&error, data + 4, 4);
  // Mostly realistic inputs, sometimes anything at all.
  if (size == 8) {
    age = static_cast<int32_t>(static_cast<uint32_t>(age) % 60000);
    error = static_cast<int32_t>(static_cast<uint32_t>(error) % 3000) - 5;
  }
  const auto sigma = kal::SigmaOf(error);
  if (!sigma || kal::InputProblem(age, *sigma)) return 0;
  kal::CalibrationState fast;
  fast.CalCurve = &curve.table;
  fast.SampleAge = age;
  fast.Sigma = *sigma;
  kal::CalibrationState reference = fast;
  const kal::CalibrationResult a = kal::Calibrate(fast);
  const kal::CalibrationResult b = kal::CalibrateReference(reference);
  if (fast.RangeFirst != reference.RangeFirst || fast.RangeLast != reference.RangeLast)
    std::abort();
  if (std::memcmp(&a.sum, &b.sum, sizeof a.sum) != 0 || a.lower != b.lower || a.upper != b.upper) {
    std::abort();
  }
  return 0;
}
