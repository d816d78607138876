// The least a tick of the age sweep can cost on this machine: a window of the
// program's size with one small control whose square changes colour on every
// tick of a 1 ms timer, and nothing else — no calculation, no text, no
// picture. It reports through the same counters as the window program
// (KALIBRACJA_SWEEP_STATS, KALIBRACJA_SWEEP_SECONDS), so
// `tools/measure-sweep build/tools/kal-sweep-floor 5` measures it exactly as
// it measures the window. The square's side is the first argument, or
// KALIBRACJA_FLOOR_SIDE for the script (20 when neither is given); 0 repaints
// nothing and leaves the timer alone.
#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "plot/sweep_stats.h"

namespace {

class Square : public QWidget {
 public:
  Square(QWidget* parent, std::optional<kal::SweepStats>& stats) : QWidget(parent), stats_(stats) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }
  void Next() {
    ++drawn_;
    update();
  }
  uint64_t Drawn() const { return drawn_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), drawn_ % 2 == 0 ? Qt::black : Qt::white);
    if (stats_) stats_->PlotPainted(drawn_);
  }

 private:
  std::optional<kal::SweepStats>& stats_;
  uint64_t drawn_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const char* side_text = argc > 1 ? argv[1] : std::getenv("KALIBRACJA_FLOOR_SIDE");
  const int side = side_text != nullptr ? std::clamp(std::atoi(side_text), 0, 400) : 20;
  std::optional<kal::SweepStats> stats = kal::SweepStats::FromEnvironment();

  QWidget window;
  window.resize(800, 445);
  Square square(&window, stats);
  square.setGeometry(10, 10, side, side);
  window.show();

  QTimer timer;
  timer.setTimerType(Qt::PreciseTimer);
  timer.setInterval(1);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (stats) stats->TickStarted(square.Drawn());
    if (side > 0) square.Next();
  });
  timer.start();
  if (stats) {
    QTimer::singleShot(stats->Seconds() * 1000, &window, [&window] { window.close(); });
  }
  const int status = app.exec();
  if (stats && !stats->Write(square.Drawn(), 0)) return 1;
  return status;
}
