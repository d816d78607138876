#include "plot/sweep_stats.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "core/numbers.h"

namespace kal {
namespace {

double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

std::optional<SweepStats> SweepStats::FromEnvironment() {
  const char* path = std::getenv("KALIBRACJA_SWEEP_STATS");
  if (path == nullptr || *path == '\0') return std::nullopt;
  const char* seconds_text = std::getenv("KALIBRACJA_SWEEP_SECONDS");
  const std::optional<int32_t> seconds =
      seconds_text == nullptr ? std::nullopt : StrictDecimal(seconds_text);
  return SweepStats(path, seconds && *seconds > 0 ? *seconds : 5);
}

void SweepStats::TickStarted(uint64_t plots_drawn) {
  if (ticks_++ == 0) {
    first_tick_ = std::chrono::steady_clock::now();
    first_tick_cpu_ = ProcessCpuSeconds();
  }
  if (plots_drawn != last_painted_) ++late_ticks_;
}

void SweepStats::PlotPainted(uint64_t plots_drawn) {
  if (plots_drawn == last_painted_) return;
  last_painted_ = plots_drawn;
  ++pictures_shown_;
}

bool SweepStats::Write(uint64_t plots_drawn, uint64_t rulers_drawn) const {
  const double seconds =
      ticks_ == 0
          ? 0.0
          : std::chrono::duration<double>(std::chrono::steady_clock::now() - first_tick_).count();
  const double cpu = ticks_ == 0 ? 0.0 : ProcessCpuSeconds() - first_tick_cpu_;
  std::FILE* file = std::fopen(path_.c_str(), "w");
  if (file == nullptr) return false;
  const int written = std::fprintf(
      file,
      "seconds %.6f\nticks %llu\nplots_drawn %llu\nrulers_drawn %llu\npictures_shown %llu\n"
      "late_ticks %llu\ncpu_seconds %.6f\n",
      seconds, static_cast<unsigned long long>(ticks_),
      static_cast<unsigned long long>(plots_drawn), static_cast<unsigned long long>(rulers_drawn),
      static_cast<unsigned long long>(pictures_shown_),
      static_cast<unsigned long long>(late_ticks_), cpu);
  return (std::fclose(file) == 0) && written > 0;
}

}  // namespace kal
