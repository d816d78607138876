#include "cli/batch_method.h"

#include <array>
#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "core/calibration.h"
#include "core/standard_calibration.h"

namespace kal::cli {
namespace {

constexpr std::array<std::string_view, 5> kWindowColumns = {"range_first", "range_last", "lower",
                                                            "upper", "text"};

// The weight tables of the widths seen, band-sized and shared by every
// worker: each is built once, published, and from then on only read, so a
// list whose errors vary never rebuilds a table for a row. Tables are kept
// until their bytes reach the budget and never dropped, so a reader needs no
// lock and no count of users.
class SharedTables {
 public:
  explicit SharedTables(std::size_t budget)
      : budget_(budget), tables_(static_cast<std::size_t>(kMaxSigma) + 1) {}

  const WeightTable* Find(int32_t sigma) const {
    return tables_[static_cast<std::size_t>(sigma)].load(std::memory_order_acquire);
  }

  // Takes `table`, built for sigma, when the budget allows, and returns the
  // table now kept for sigma (another worker's, when it came first); nullptr,
  // with `table` left as it was, when the budget is spent.
  const WeightTable* Keep(int32_t sigma, WeightTable& table) {
    std::lock_guard lock(mutex_);
    if (const WeightTable* kept = Find(sigma)) return kept;
    if (bytes_ + table.Bytes() > budget_) return nullptr;
    bytes_ += table.Bytes();
    owned_.push_back(std::make_unique<WeightTable>(std::move(table)));
    tables_[static_cast<std::size_t>(sigma)].store(owned_.back().get(), std::memory_order_release);
    return owned_.back().get();
  }

 private:
  const std::size_t budget_;
  std::mutex mutex_;
  std::size_t bytes_ = 0;
  std::vector<std::unique_ptr<WeightTable>> owned_;
  std::vector<std::atomic<const WeightTable*>> tables_;  // by working width
};

// Each row is kal::CalibrateWith, the calculation Calibrate makes, with the
// shared table of its width. Once the shared budget is spent, a worker keeps
// the table of one more width of its own, so rows of that width in a row
// still build nothing.
class WindowCalculator final : public BatchCalculator {
 public:
  WindowCalculator(const CurveTable& curve, SharedTables& tables)
      : curve_(curve), tables_(tables) {}

  bool Calculate(int32_t age, int32_t error, std::span<BatchValue> values,
                 std::string* problem) override {
    const auto sigma = SigmaOf(error);
    if (!sigma) {
      *problem = "the error is out of range";
      return false;
    }
    if (auto why = InputProblem(age, *sigma)) {
      *problem = std::move(*why);
      return false;
    }
    WindowCalibration calibration = CalibrateWith(curve_, TableFor(*sigma), age, *sigma);
    const CalendarWindow window = calibration.window;
    const CalibrationResult& result = calibration.result;
    // Without weight the sum takes its floor of 1.0 and no cut is found; the
    // scan settles the rare case of real weights that look the same.
    if (result.lower == 0 && result.upper == 0 && result.sum == 1.0 &&
        !HasWeight(window, age, *sigma)) {
      *problem = NoWeightMessage(window);
      return false;
    }
    text_ = std::move(calibration.result.text);
    values[0] = BatchValue{false, window.first, {}};
    values[1] = BatchValue{false, window.last, {}};
    values[2] = BatchValue{false, result.lower, {}};
    values[3] = BatchValue{false, result.upper, {}};
    values[4] = BatchValue{true, 0, text_};
    return true;
  }

 private:
  const WeightTable& TableFor(int32_t sigma) {
    if (const WeightTable* shared = tables_.Find(sigma)) return *shared;
    if (own_sigma_ == sigma) return own_;
    WeightTable table = WeightTable::BandOnly();
    table.Build(sigma);
    if (const WeightTable* kept = tables_.Keep(sigma, table)) return *kept;
    own_ = std::move(table);
    own_sigma_ = sigma;
    return own_;
  }

  // Whether some year of the window has a curve age within the band.
  bool HasWeight(CalendarWindow window, int32_t age, int32_t sigma) const {
    for (int32_t y = window.first; y <= window.last; ++y) {
      if (std::llabs(int64_t{curve_[y]} - age) <= int64_t{4} * sigma) return true;
    }
    return false;
  }

  // The window search stops beside the young or the old end of its span when
  // no year matches: that tells which side of the curve the age lies on.
  static std::string NoWeightMessage(CalendarWindow window) {
    const std::string why =
        " (no calendar year's curve age lies within 4 x (error + 5) years of it)";
    if (window.first == CurveTable::kSearchYoungest - 1) {
      return "the age is younger than the curve reaches" + why;
    }
    if (window.last == CurveTable::kSearchOldest + 1) {
      return "the age is older than the curve reaches" + why;
    }
    return "the calendar window holds no weight" + why;
  }

  const CurveTable& curve_;
  SharedTables& tables_;
  WeightTable own_ = WeightTable::BandOnly();
  int32_t own_sigma_ = 0;  // none: widths are above 0
  std::string text_;       // the text of the last row
};

class WindowBatchMethod final : public BatchMethod {
 public:
  WindowBatchMethod(const CurveTable& curve, std::size_t budget) : curve_(curve), tables_(budget) {}
  std::span<const std::string_view> ResultColumns() const override { return kWindowColumns; }
  std::unique_ptr<BatchCalculator> NewCalculator() const override {
    return std::make_unique<WindowCalculator>(curve_, tables_);
  }

 private:
  const CurveTable& curve_;
  mutable SharedTables tables_;  // shared by the calculators, which outlive no method
};

constexpr std::array<std::string_view, 3> kStandardColumns = {"median", "hpd68", "hpd95"};

// Each row is kal::CalibrateStandard; the result's buffers are the worker's
// own and are reused from row to row.
class StandardCalculator final : public BatchCalculator {
 public:
  StandardCalculator(const AnnualCurve& curve, int32_t delta_r, int32_t delta_r_error)
      : curve_(curve), delta_r_(delta_r), delta_r_error_(delta_r_error) {}

  bool Calculate(int32_t age, int32_t error, std::span<BatchValue> values,
                 std::string* problem) override {
    if (age <= 0) {
      *problem = "the age must be above 0";
      return false;
    }
    if (error <= 0) {
      *problem = "the standard method needs an error above 0";
      return false;
    }
    CalibrateStandard(curve_, ReservoirCorrected(age, error, delta_r_, delta_r_error_), result_);
    if (!result_.found) {
      *problem = "the age lies beyond the reach of the curve: no calendar year comes near it";
      return false;
    }
    hpd68_ = IntervalsText(result_.hpd68);
    hpd95_ = IntervalsText(result_.hpd95);
    values[0] = BatchValue{false, result_.median, {}};
    values[1] = BatchValue{true, 0, hpd68_};
    values[2] = BatchValue{true, 0, hpd95_};
    return true;
  }

 private:
  const AnnualCurve& curve_;
  const int32_t delta_r_;
  const int32_t delta_r_error_;
  StandardResult result_;
  std::string hpd68_, hpd95_;  // the texts of the last row
};

class StandardBatchMethod final : public BatchMethod {
 public:
  StandardBatchMethod(const AnnualCurve& curve, int32_t delta_r, int32_t delta_r_error)
      : curve_(curve), delta_r_(delta_r), delta_r_error_(delta_r_error) {}
  std::span<const std::string_view> ResultColumns() const override { return kStandardColumns; }
  std::unique_ptr<BatchCalculator> NewCalculator() const override {
    return std::make_unique<StandardCalculator>(curve_, delta_r_, delta_r_error_);
  }

 private:
  const AnnualCurve& curve_;
  const int32_t delta_r_;
  const int32_t delta_r_error_;
};

}  // namespace

std::unique_ptr<BatchMethod> StandardMethod(const AnnualCurve& curve, int32_t delta_r,
                                            int32_t delta_r_error) {
  return std::make_unique<StandardBatchMethod>(curve, delta_r, delta_r_error);
}

std::unique_ptr<BatchMethod> WindowMethod(const CurveTable& curve, std::size_t table_budget_bytes) {
  return std::make_unique<WindowBatchMethod>(curve, table_budget_bytes);
}

}  // namespace kal::cli
