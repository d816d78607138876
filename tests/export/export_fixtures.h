// What the export tests share: a window that records what the export does to
// it, and calibration states whose listing is known.
#ifndef KAL_TESTS_EXPORT_EXPORT_FIXTURES_H_
#define KAL_TESTS_EXPORT_EXPORT_FIXTURES_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/cal_curve.h"
#include "core/calibration.h"
#include "export/distribution_export.h"

namespace kal::testing {

// The name field, the memo and the clipboard, starting with something in them.
class RecordingWindow : public ExportWindow {
 public:
  explicit RecordingWindow(std::string name) : edit1(std::move(name)) {}
  std::string Edit1Text() override { return edit1; }
  void ClearMemo1() override { memo1.clear(); }
  void AppendToMemo1(std::string_view line) override {
    memo1 += line;
    memo1 += "\r\n";
  }
  void CopyMemo1ToClipboard(std::string_view text) override { clipboard = text; }

  std::string edit1;
  std::string memo1 = "an older listing\r\n";
  std::string clipboard = "what the user copied before";
};

// A curve whose years from -2918 on have the given ages, and ages that weigh
// nothing against kSampleAge after them (older years follow the curve's line).
inline constexpr int32_t kSampleAge = 5000;
inline CurveTable CurveFrom2918(const std::vector<int32_t>& ages) {
  std::vector<int32_t> values(ages);
  while (static_cast<int32_t>(values.size()) < CurveTable::kYoungestYear + 2918 + 1) {
    values.push_back(kSampleAge + 20000);
  }
  return LoadCurveValues(values, -2918).value();
}

// The state the export reads, with the weight table built for sigma.
inline CalibrationState StateOn(const CurveTable& curve, int32_t sigma, int32_t first,
                                int32_t last) {
  CalibrationState state;
  state.CalCurve = &curve;
  state.SampleAge = kSampleAge;
  state.Sigma = sigma;
  BuildGaussTable(state);
  state.RangeFirst = first;
  state.RangeLast = last;
  return state;
}

// A window -2918..-2917 whose normalised values are 0.25 and 0.75 to the last
// bit of a binary32: at a width of 241 the weights of differences 361 and 52
// stand 1 : 3.
inline CurveTable QuarterCurve() { return CurveFrom2918({kSampleAge + 361, kSampleAge + 52}); }
inline constexpr int32_t kQuarterSigma = 241;
inline const char kQuarterListing[] = "-2918\t0.25000\r\n-2917\t0.75000\r\n";
inline const std::string kQuarterFile(
    "\x00\x60\x36\xC5\x00\x50\x36\xC5\x00\x00\x80\x3E\x00\x00\x40\x3F", 16);

}  // namespace kal::testing

#endif  // KAL_TESTS_EXPORT_EXPORT_FIXTURES_H_
