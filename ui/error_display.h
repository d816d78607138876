// The platform's default error display. An exception that leaves an event
// handler ends that handler's remaining steps; it is caught where the event
// was dispatched and shown in a message box with a stop icon and an OK button,
// captioned with the application's title, and the window goes on with the
// next event. Every entry from Qt into the window's handlers goes through
// DispatchEvent, so no exception ever crosses Qt's own frames.
#ifndef KAL_UI_ERROR_DISPLAY_H_
#define KAL_UI_ERROR_DISPLAY_H_

#include <QString>
#include <exception>
#include <utility>

namespace kal::ui {

// The program file's name without folder and extension ("kalibracja").
QString ApplicationTitle();

// The box's text for an exception's message: a full stop is added when the
// last character sorts after "." (so "x" gets one, "!" and "." do not).
QString ErrorBoxText(const QString& message);

// Shows the box for a message and returns when the user has closed it.
void ShowErrorBox(const QString& message);

// Shows the box for a caught exception (its what(), or a generic text).
void ShowException(std::exception_ptr error);

// Runs the handler of one dispatched event; an exception leaving it is shown.
template <class Handler>
void DispatchEvent(Handler&& handler) {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    ShowException(std::current_exception());
  }
}

}  // namespace kal::ui

#endif  // KAL_UI_ERROR_DISPLAY_H_
