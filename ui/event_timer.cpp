#include "ui/event_timer.h"

#include <stdexcept>

#include "ui/error_display.h"

namespace kal::ui {

EventTimer::EventTimer(int interval, bool enabled, QObject* parent)
    : QObject(parent), interval_(interval), enabled_(enabled) {
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] {
    if (on_timer_) DispatchEvent(on_timer_);
  });
}

void EventTimer::SetInterval(int interval) {
  // QTimer restarts its period on every setInterval; the sweep sets the same
  // interval on every tick and must not be slowed by it.
  if (interval == interval_) return;
  interval_ = interval;
  Restart();
}

void EventTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
}

void EventTimer::SetOnTimer(std::function<void()> handler) {
  on_timer_ = std::move(handler);
  Restart();
}

void EventTimer::Restart() {
  timer_.stop();
  if (!enabled_ || interval_ <= 0 || !on_timer_) return;
  timer_.start(interval_);
  if (!timer_.isActive()) throw std::runtime_error("Not enough timers available");
}

}  // namespace kal::ui
