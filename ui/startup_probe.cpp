#include "ui/startup_probe.h"

#include <unistd.h>

#include <QEvent>
#include <QObject>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

namespace kal::ui {

namespace {

long long NowNs(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Milliseconds from the process's start to now, by the boot-time clock the
// kernel stamps process starts with; nullopt when /proc cannot tell.
std::optional<double> MillisecondsSinceStart() {
  std::ifstream file("/proc/self/stat");
  std::string line;
  if (!std::getline(file, line)) return std::nullopt;
  const std::optional<unsigned long long> start = StartTicksFromStat(line);
  const long ticks_per_second = sysconf(_SC_CLK_TCK);
  if (!start || ticks_per_second <= 0) return std::nullopt;
  const double start_ms = static_cast<double>(*start) * 1000.0 / ticks_per_second;
  return static_cast<double>(NowNs(CLOCK_BOOTTIME)) / 1e6 - start_ms;
}

// The report is written before the paint it reports, which copies one
// picture of the plot into the window: well under a millisecond.
class FirstPaintWatch final : public QObject {
 public:
  FirstPaintWatch(ImageControl* plot, std::string path) : QObject(plot), path_(std::move(path)) {
    plot->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Paint) return false;
    const QImage* picture = static_cast<ImageControl*>(watched)->Picture();
    if (picture == nullptr || picture->isNull()) return false;  // still empty
    const long long realtime = NowNs(CLOCK_REALTIME);
    const std::optional<double> since_start = MillisecondsSinceStart();
    if (std::FILE* out = std::fopen(path_.c_str(), "w")) {
      if (since_start) std::fprintf(out, "since_start_ms %.1f\n", *since_start);
      std::fprintf(out, "realtime_ns %lld\n", realtime);
      std::fclose(out);
    }
    watched->removeEventFilter(this);
    deleteLater();
    return false;
  }

 private:
  std::string path_;
};

}  // namespace

std::optional<unsigned long long> StartTicksFromStat(std::string_view stat_line) {
  const size_t name_end = stat_line.rfind(')');
  if (name_end == std::string_view::npos) return std::nullopt;
  // After the name come field 3 (the state) onwards; the start is field 22.
  std::istringstream fields{std::string(stat_line.substr(name_end + 1))};
  std::string field;
  for (int number = 3; number <= 22; ++number) {
    if (!(fields >> field)) return std::nullopt;
  }
  unsigned long long ticks = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), ticks);
  if (error != std::errc() || end != field.data() + field.size()) return std::nullopt;
  return ticks;
}

void WatchFirstPlotPaint(ImageControl* plot) {
  const char* path = std::getenv("KALIBRACJA_STARTUP_REPORT");
  if (path == nullptr || *path == '\0') return;
  new FirstPaintWatch(plot, path);  // owned by the plot, gone after its report
}

}  // namespace kal::ui
