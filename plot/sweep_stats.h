// Counters that tell whether the pictures keep up with the age sweep, for
// tools/measure-sweep: ticks, pictures drawn and shown, ticks that came before
// the last picture was shown, and the process's CPU time from the first tick.
// Only active when KALIBRACJA_SWEEP_STATS names the file to write at exit;
// the program behaves the same either way.
#ifndef KAL_PLOT_SWEEP_STATS_H_
#define KAL_PLOT_SWEEP_STATS_H_

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace kal {

class SweepStats {
 public:
  // KALIBRACJA_SWEEP_STATS: the file to write; KALIBRACJA_SWEEP_SECONDS: how
  // long the window should run before it closes itself (5 when unset or not a
  // whole number above 0). Nullopt when the first is unset or empty.
  static std::optional<SweepStats> FromEnvironment();

  SweepStats(std::string path, int seconds) : path_(std::move(path)), seconds_(seconds) {}

  int Seconds() const { return seconds_; }
  // At the start of every tick, with the plot's drawing count so far.
  void TickStarted(uint64_t plots_drawn);
  // Whenever the plot is painted on screen, with the drawing count it shows.
  void PlotPainted(uint64_t plots_drawn);
  // Writes "name value" lines: seconds, ticks, plots_drawn, rulers_drawn,
  // pictures_shown, late_ticks, cpu_seconds (seconds and CPU time from the
  // first tick to now). False when the file cannot be written.
  bool Write(uint64_t plots_drawn, uint64_t rulers_drawn) const;

 private:
  std::string path_;
  int seconds_;
  uint64_t ticks_ = 0;
  uint64_t late_ticks_ = 0;
  uint64_t pictures_shown_ = 0;
  uint64_t last_painted_ = 0;
  std::chrono::steady_clock::time_point first_tick_;
  double first_tick_cpu_ = 0;
};

}  // namespace kal

#endif  // KAL_PLOT_SWEEP_STATS_H_
