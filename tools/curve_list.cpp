// kal-curve-list: writes the annual lists of a published .14c curve for every
// calendar year the curve covers from -50000 to 1950. The first, one whole
// radiocarbon age per line, serves the window's method; the second, optional,
// "age,sigma" per line unrounded, serves the standard method. The lists under
// data/ are made with it (see tools/make-curve-lists).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "core/annual_curve.h"
#include "core/cal_curve.h"
#include "core/curve_file.h"

namespace {

bool WriteFile(const char* path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) std::cerr << "kal-curve-list: cannot write " << path << "\n";
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::cerr << "usage: kal-curve-list CURVE.14c OUT.txt [OUT_AGE_SIGMA.txt]\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "kal-curve-list: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();
  const auto nodes = kal::ParseCurveText(text.str());
  if (!nodes) {
    std::cerr << "kal-curve-list: " << argv[1] << ": " << nodes.error() << "\n";
    return 1;
  }
  const kal::AnnualList list =
      kal::AnnualAges(*nodes, kal::CurveTable::kOldestYear, kal::CurveTable::kYoungestYear);
  std::string ages;
  for (int32_t value : list.values) ages += std::to_string(value) + '\n';
  if (!WriteFile(argv[2], ages)) return 1;
  std::cout << argv[2] << ": " << list.values.size() << " years from " << list.start_year << "\n";
  if (argc == 3) return 0;

  const kal::AnnualScaledList scaled = kal::AnnualScaledValues(
      *nodes, kal::AnnualCurve::kOldestYear, kal::AnnualCurve::kYoungestYear);
  std::string lines;
  for (size_t i = 0; i < scaled.ages.size(); ++i) {
    lines += kal::AnnualCurveLine(scaled.ages[i], scaled.sigmas[i]) + '\n';
  }
  if (!WriteFile(argv[3], lines)) return 1;
  std::cout << argv[3] << ": " << scaled.ages.size() << " years from " << scaled.start_year << "\n";
  return 0;
}
