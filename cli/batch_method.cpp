#include "cli/batch_method.h"

#include <algorithm>
#include <array>
#include <vector>

#include "core/calibration.h"

namespace kal::cli {
namespace {

constexpr std::array<std::string_view, 5> kWindowColumns = {"range_first", "range_last", "lower",
                                                            "upper", "text"};

// One CalibrationState per working width seen: each keeps its weight table
// built for its own Sigma, so a list whose errors vary never rebuilds a table
// for a row, and each row is kal::Calibrate exactly as a single calculation.
// The states are dropped least recently used first when their tables would
// pass the budget.
class WindowCalculator final : public BatchCalculator {
 public:
  WindowCalculator(const CurveTable& curve, std::size_t budget)
      : curve_(curve), budget_(budget), slots_(static_cast<std::size_t>(kMaxSigma) + 1) {}

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
    CalibrationState& state = StateFor(*sigma);
    state.SampleAge = age;
    result_ = Calibrate(state);
    // Without weight the sum takes its floor of 1.0 and no cut is found; the
    // scan settles the rare case of real weights that look the same.
    if (result_.lower == 0 && result_.upper == 0 && result_.sum == 1.0 && !HasWeight(state)) {
      *problem = NoWeightMessage(state);
      return false;
    }
    values[0] = BatchValue{false, state.RangeFirst, {}};
    values[1] = BatchValue{false, state.RangeLast, {}};
    values[2] = BatchValue{false, result_.lower, {}};
    values[3] = BatchValue{false, result_.upper, {}};
    values[4] = BatchValue{true, 0, result_.text};
    return true;
  }

 private:
  struct Slot {
    std::unique_ptr<CalibrationState> state;
    uint64_t last_use = 0;
  };

  static std::size_t TableBytes(int32_t sigma) {
    const std::size_t half =
        static_cast<std::size_t>(std::max(WeightTable::kMinHalfSpan, 4 * sigma));
    return (2 * half + 1) * sizeof(double) + sizeof(CalibrationState);
  }

  CalibrationState& StateFor(int32_t sigma) {
    Slot& slot = slots_[static_cast<std::size_t>(sigma)];
    slot.last_use = ++clock_;
    if (slot.state) return *slot.state;
    const std::size_t need = TableBytes(sigma);
    while (!live_.empty() && bytes_ + need > budget_) DropLeastRecent();
    slot.state = std::make_unique<CalibrationState>();
    slot.state->CalCurve = &curve_;
    slot.state->Sigma = sigma;  // GaussReady false: the first calculation builds the table
    live_.push_back(sigma);
    bytes_ += need;
    return *slot.state;
  }

  void DropLeastRecent() {
    auto oldest = std::min_element(live_.begin(), live_.end(), [&](int32_t a, int32_t b) {
      return slots_[static_cast<std::size_t>(a)].last_use <
             slots_[static_cast<std::size_t>(b)].last_use;
    });
    slots_[static_cast<std::size_t>(*oldest)].state.reset();
    bytes_ -= TableBytes(*oldest);
    *oldest = live_.back();
    live_.pop_back();
  }

  static bool HasWeight(const CalibrationState& state) {
    for (int32_t y = state.RangeFirst; y <= state.RangeLast; ++y) {
      if (WeightOf(state, y) > 0.0) return true;
    }
    return false;
  }

  // The window search stops beside the young or the old end of its span when
  // no year matches: that tells which side of the curve the age lies on.
  static std::string NoWeightMessage(const CalibrationState& state) {
    const std::string why =
        " (no calendar year's curve age lies within 4 x (error + 5) years of it)";
    if (state.RangeFirst == CurveTable::kSearchYoungest - 1) {
      return "the age is younger than the curve reaches" + why;
    }
    if (state.RangeLast == CurveTable::kSearchOldest + 1) {
      return "the age is older than the curve reaches" + why;
    }
    return "the calendar window holds no weight" + why;
  }

  const CurveTable& curve_;
  const std::size_t budget_;
  std::size_t bytes_ = 0;
  uint64_t clock_ = 0;
  std::vector<Slot> slots_;    // by working width
  std::vector<int32_t> live_;  // the widths that have a state
  CalibrationResult result_;   // holds the text of the last row
};

class WindowBatchMethod final : public BatchMethod {
 public:
  WindowBatchMethod(const CurveTable& curve, std::size_t budget) : curve_(curve), budget_(budget) {}
  std::span<const std::string_view> ResultColumns() const override { return kWindowColumns; }
  std::unique_ptr<BatchCalculator> NewCalculator() const override {
    return std::make_unique<WindowCalculator>(curve_, budget_);
  }

 private:
  const CurveTable& curve_;
  const std::size_t budget_;
};

}  // namespace

std::unique_ptr<BatchMethod> WindowMethod(const CurveTable& curve, std::size_t table_budget_bytes) {
  return std::make_unique<WindowBatchMethod>(curve, table_budget_bytes);
}

}  // namespace kal::cli
