// Until the window exists, the program shows the first calculation the window
// will make: age 2501, error 50, on IntCal20.
#include <iostream>

#include "core/calibration.h"
#include "data/curves.h"

int main() {
  const kal::LoadedCurve curve = kal::DefaultCurve();
  kal::CalibrationState state;
  state.CalCurve = &curve.table;
  state.SampleAge = 2501;
  state.Sigma = 55;
  std::cout << "2501 +- 50 BP (" << curve.name << "): 95% " << kal::Calibrate(state).text << "\n";
  return 0;
}
