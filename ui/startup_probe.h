// The start-up probe of tools/measure-startup. With KALIBRACJA_STARTUP_REPORT
// naming a file, the window writes into it, at the first paint of the plot
// that has a picture to show (the first result on screen), how long after the
// process's start that came, and the wall clock of that moment for a caller
// that noted when it started the program. Without the variable nothing is
// watched and the window behaves the same either way.
#ifndef KAL_UI_STARTUP_PROBE_H_
#define KAL_UI_STARTUP_PROBE_H_

#include <optional>
#include <string_view>

#include "ui/image_control.h"

namespace kal::ui {

// Watches `plot` when KALIBRACJA_STARTUP_REPORT is set; the watch ends after
// the one report. The file gets "name value" lines: since_start_ms (from the
// kernel's record of the process start, in its clock ticks of 10 ms) and
// realtime_ns (CLOCK_REALTIME at the paint).
void WatchFirstPlotPaint(ImageControl* plot);

// The process start in clock ticks since boot: field 22 of a
// /proc/PID/stat line, counted after the command name's closing parenthesis
// (the name itself may hold blanks and parentheses). Nullopt when malformed.
std::optional<unsigned long long> StartTicksFromStat(std::string_view stat_line);

}  // namespace kal::ui

#endif  // KAL_UI_STARTUP_PROBE_H_
