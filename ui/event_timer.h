// A timer with the semantics the sweep relies on: an interval in milliseconds
// and an enabled state, where setting either to the value it already has does
// nothing and changing either restarts the period (or stops the timer). It
// runs while it is enabled, has an interval above 0 and has a handler. Ticks
// are events of the user-interface thread and never pile up: a tick that
// falls due while a handler runs waits for it, and at most one waits. The
// timer is precise, so a 1 ms interval is served at the shortest period.
#ifndef KAL_UI_EVENT_TIMER_H_
#define KAL_UI_EVENT_TIMER_H_

#include <QObject>
#include <QTimer>
#include <functional>

namespace kal::ui {

class EventTimer : public QObject {
 public:
  EventTimer(int interval, bool enabled, QObject* parent = nullptr);

  int Interval() const { return interval_; }
  void SetInterval(int interval);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  // Binding the handler starts an enabled timer.
  void SetOnTimer(std::function<void()> handler);

  // Whether ticks are due (for tests: the period restarts only on a change).
  bool Running() const { return timer_.isActive(); }
  int RemainingTime() const { return timer_.remainingTime(); }

 private:
  void Restart();

  int interval_;
  bool enabled_;
  std::function<void()> on_timer_;
  QTimer timer_;
};

}  // namespace kal::ui

#endif  // KAL_UI_EVENT_TIMER_H_
