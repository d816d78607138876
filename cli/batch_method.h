// A calibration method as the batch runs it: the names of the columns it adds
// to each output row, and a calculator per worker thread that turns one row's
// age and error into the values of those columns, or into the message that
// says why the row has none. The batch reads, orders and writes the rows; a
// method only calculates, so a second method needs nothing but these two.
#ifndef KAL_CLI_BATCH_METHOD_H_
#define KAL_CLI_BATCH_METHOD_H_

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "core/annual_curve.h"
#include "core/cal_curve.h"

namespace kal::cli {

// One result column's value for one row: a number, or a text that stays
// valid until the calculator's next call.
struct BatchValue {
  bool is_text = false;
  int64_t number = 0;
  std::string_view text;
};

// Calculates row after row for one worker, keeping what it likes between
// rows (the weight tables of the errors seen). Never shared between threads.
class BatchCalculator {
 public:
  virtual ~BatchCalculator() = default;
  // Fills `values`, one per result column, and returns true; or sets
  // *problem to a message for the row's reader and returns false.
  virtual bool Calculate(int32_t age, int32_t error, std::span<BatchValue> values,
                         std::string* problem) = 0;
};

class BatchMethod {
 public:
  virtual ~BatchMethod() = default;
  virtual std::span<const std::string_view> ResultColumns() const = 0;
  virtual std::unique_ptr<BatchCalculator> NewCalculator() const = 0;
};

// The window's calculation, as kal::Calibrate makes it, row by row: the
// columns range_first, range_last, lower, upper and text. A row whose window
// holds no weight fails with a message instead of giving "0AD - 0AD".
// `table_budget_bytes` bounds the weight tables its calculators share (all
// widths up to some 2,000 years of error fit in the default); the method must
// outlive its calculators.
std::unique_ptr<BatchMethod> WindowMethod(const CurveTable& curve,
                                          std::size_t table_budget_bytes = std::size_t{128} << 20);

// The standard method row by row: the columns median (a signed year), hpd68
// and hpd95 ("788BC - 464BC 93.7%, 434BC - 421BC 1.7%", oldest first), after
// the reservoir offset delta_r +- delta_r_error. The curve must outlive the
// method's calculators.
std::unique_ptr<BatchMethod> StandardMethod(const AnnualCurve& curve, int32_t delta_r,
                                            int32_t delta_r_error);

}  // namespace kal::cli

#endif  // KAL_CLI_BATCH_METHOD_H_
