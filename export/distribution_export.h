// The export of the normalised calendar distribution of the current window:
// one listing line per year (signed year, tab, five-decimal value, CR LF) into
// the listing memo and, whole, onto the clipboard; and, when the name field
// holds a name, the file "Data " + name + ".rsi" in the current directory:
// little-endian binary32 RangeFirst, RangeLast and one value per year.
//
// The export calculates nothing new and changes no shared state: it weighs the
// window as the last calculation left it. The window's side (name field, memo,
// clipboard) and the file system are interfaces, so the whole run can be
// watched without a window and against a file system that fails on demand.
#ifndef KAL_EXPORT_DISTRIBUTION_EXPORT_H_
#define KAL_EXPORT_DISTRIBUTION_EXPORT_H_

#include <optional>
#include <string>
#include <string_view>

#include "core/calibration.h"
#include "export/export_files.h"
#include "export/in_out_error.h"

namespace kal {

// The longest name part: "Data " + name + ".rsi" stays within 259 characters.
inline constexpr size_t kMaxExportName = 250;

// The controls the export reads and fills.
class ExportWindow {
 public:
  virtual ~ExportWindow() = default;
  // The text of Edit1 as typed (UTF-8); empty means no file.
  virtual std::string Edit1Text() = 0;
  // Memo1's text becomes empty.
  virtual void ClearMemo1() = 0;
  // Adds one line after Memo1's text; the line comes without its CR LF.
  virtual void AppendToMemo1(std::string_view line) = 0;
  // The clipboard receives Memo1's whole text as plain text, in place of
  // what it held. The text comes with it, byte for byte, each line ending in
  // CR LF, so that the clipboard holds exactly the listing whatever the memo
  // control does with line ends.
  virtual void CopyMemo1ToClipboard(std::string_view text) = 0;
};

// One export run. The steps go in this order, and a failure stops the run at
// once, leaving what the steps before it did: read the name; form the
// normalising sum (with its floor); clear the memo; with a name, open the file
// and write the two bounds; per year, append its line and, with a name, write
// its value; close the file; copy the listing to the clipboard.
//
// So a failure at the open or a bound leaves the memo empty, one at the value
// of year y leaves the lines up to and including y, and the clipboard is
// never touched by a failed run. The file is replaced only by a whole new
// content: after any failure it is as it was. A name of more than
// kMaxExportName characters is refused as failing to open ("I/O error 36").
//
// Answers nullopt, or the failure the window shows in its error display.
std::optional<InOutError> ExportDistribution(const CalibrationState& state, ExportWindow& window,
                                             ExportFiles& files);

// The listing line of one year, without its line end: "-2917\t0.75000".
std::string ListingLine(int32_t year, double p);

}  // namespace kal

#endif  // KAL_EXPORT_DISTRIBUTION_EXPORT_H_
