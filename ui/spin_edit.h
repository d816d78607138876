// An integer input box with up and down buttons, with the rules the window
// relies on:
// - Value() reads the text as an integer (the user-text rule of
//   core/numbers.h); a text that is no integer reads as MinValue.
// - SetValue() limits the number to MinValue..MaxValue, then writes it.
// - Every actual change of the text, typed or set by the program, runs the
//   change handler once, before the setter returns; setting the same text
//   runs nothing. An exception from a handler run inside SetText/SetValue
//   leaves through that setter, to the caller.
// - The buttons step on the release of the left button over them, and while
//   held after 400 ms and then every 100 ms; Up and Down keys step.
// - Typed characters are filtered (digits, "+", "-", the locale's decimal
//   separator and control characters pass; Enter and anything else are
//   dropped with a beep); paste and cut are not filtered.
// - Typed text is not limited to the range; when the focus moves to another
//   control, an integer text outside the range becomes the nearest bound.
// - Focus from the keyboard or window activation selects the whole text; a
//   mouse click places the caret.
#ifndef KAL_UI_SPIN_EDIT_H_
#define KAL_UI_SPIN_EDIT_H_

#include <QLineEdit>
#include <QStyleOptionSpinBox>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <exception>
#include <functional>

namespace kal::ui {

class SpinEdit : public QWidget {
 public:
  SpinEdit(int32_t min_value, int32_t max_value, int32_t value, QWidget* parent = nullptr);

  int32_t MinValue() const { return min_value_; }
  int32_t MaxValue() const { return max_value_; }
  int32_t Increment() const { return 1; }

  QString Text() const { return field_->text(); }
  void SetText(const QString& text);
  int32_t Value() const;
  void SetValue(int64_t value);

  void SetOnChange(std::function<void()> handler) { on_change_ = std::move(handler); }

  // The text field inside, for the caret and selection and for sending keys.
  QLineEdit* LineEdit() const { return field_; }

  // Where the buttons are, in this widget's coordinates.
  QRect UpButtonRect() const;
  QRect DownButtonRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  class Field;
  enum class Button { kNone, kUp, kDown };

  QStyleOptionSpinBox StyleOption() const;
  Button ButtonAt(QPoint position) const;
  void Step(Button button);
  void TextChanged();
  void RepeatTick();
  void FocusLeft();

  int32_t min_value_;
  int32_t max_value_;
  QLineEdit* field_;  // a Field
  std::function<void()> on_change_;
  int setting_text_ = 0;        // depth of SetText calls in progress
  std::exception_ptr pending_;  // from a handler run inside SetText
  Button pressed_ = Button::kNone;
  bool pointer_over_pressed_ = false;
  QTimer repeat_;
};

}  // namespace kal::ui

#endif  // KAL_UI_SPIN_EDIT_H_
