// kal-curve-list: writes the annual integer list of a published .14c curve,
// one whole radiocarbon age per line for every calendar year the curve covers
// from -50000 to 1950. The lists under data/ are made with it (see
// tools/make-curve-lists).
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "core/cal_curve.h"
#include "core/curve_file.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: kal-curve-list CURVE.14c OUT.txt\n";
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
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  for (int32_t value : list.values) out << value << '\n';
  out.close();
  if (!out) {
    std::cerr << "kal-curve-list: cannot write " << argv[2] << "\n";
    return 1;
  }
  std::cout << argv[2] << ": " << list.values.size() << " years from " << list.start_year << "\n";
  return 0;
}
