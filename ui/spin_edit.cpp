#include "ui/spin_edit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <utility>

#include "core/numbers.h"
#include "ui/error_display.h"

namespace kal::ui {

namespace {

constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 100;

// Whether a typed text may go into the box: digits, the signs, the locale's
// decimal separator and control characters (Backspace, Ctrl+V, ...).
bool AcceptsTyped(const QString& text) {
  const QString decimal = QLocale().decimalPoint();
  if (text == decimal) return true;
  return std::all_of(text.begin(), text.end(), [](QChar c) {
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x7f || (u >= u'0' && u <= u'9') || u == u'+' || u == u'-';
  });
}

}  // namespace

// The text field: filters typed keys, steps on Up and Down, selects its text
// on keyboard focus and corrects an out-of-range text when the focus leaves.
class SpinEdit::Field : public QLineEdit {
 public:
  explicit Field(SpinEdit* owner) : QLineEdit(owner), owner_(owner) {
    setFrame(false);
    // A frameless line edit fills its whole rectangle with the base colour,
    // so the box's frame behind it need not be painted first: a new text
    // repaints the field alone.
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
      const Button button = event->key() == Qt::Key_Up ? Button::kUp : Button::kDown;
      DispatchEvent([&] { owner_->Step(button); });
      event->accept();
      return;
    }
    // Shortcuts (Ctrl+V, Ctrl+A, ...) are commands, not typed characters.
    const bool shortcut = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter || (!shortcut && !AcceptsTyped(event->text()))) {
      QApplication::beep();
      event->accept();
      return;
    }
    QLineEdit::keyPressEvent(event);
  }

  void focusInEvent(QFocusEvent* event) override {
    QLineEdit::focusInEvent(event);
    if (event->reason() != Qt::MouseFocusReason && event->reason() != Qt::PopupFocusReason) {
      selectAll();
    }
    owner_->update();
  }

  void focusOutEvent(QFocusEvent* event) override {
    QLineEdit::focusOutEvent(event);
    owner_->update();
    // Switching to another window or opening a menu leaves the focus where it
    // is; only a move to another control of the window counts as leaving.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason) {
      DispatchEvent([this] { owner_->FocusLeft(); });
    }
  }

 private:
  SpinEdit* owner_;
};

SpinEdit::SpinEdit(int32_t min_value, int32_t max_value, int32_t value, QWidget* parent)
    : QWidget(parent), min_value_(min_value), max_value_(max_value), field_(new Field(this)) {
  field_->setText(IntToText(value).c_str());
  setFocusPolicy(field_->focusPolicy());
  setFocusProxy(field_);
  QObject::connect(field_, &QLineEdit::textChanged, this, [this] { TextChanged(); });
  QObject::connect(&repeat_, &QTimer::timeout, this, [this] { RepeatTick(); });
}

void SpinEdit::SetText(const QString& text) {
  ++setting_text_;
  field_->setText(text);
  --setting_text_;
  if (pending_) std::rethrow_exception(std::exchange(pending_, nullptr));
}

int32_t SpinEdit::Value() const { return TextToInt(Text().toStdString()).value_or(min_value_); }

void SpinEdit::SetValue(int64_t value) {
  SetText(QString::fromStdString(IntToText(std::clamp<int64_t>(value, min_value_, max_value_))));
}

void SpinEdit::TextChanged() {
  if (!on_change_) return;
  if (setting_text_ == 0) {
    DispatchEvent(on_change_);
    return;
  }
  // Run inside SetText: the exception belongs to SetText's caller, and is
  // carried past Qt's signal machinery to be rethrown there.
  try {
    on_change_();
  } catch (...) {
    pending_ = std::current_exception();
  }
}

void SpinEdit::Step(Button button) {
  const int64_t delta = button == Button::kUp ? Increment() : -Increment();
  SetValue(static_cast<int64_t>(Value()) + delta);
}

void SpinEdit::FocusLeft() {
  const auto value = TextToInt(Text().toStdString());
  if (value && (*value < min_value_ || *value > max_value_)) SetValue(*value);
}

QStyleOptionSpinBox SpinEdit::StyleOption() const {
  QStyleOptionSpinBox option;
  option.initFrom(this);
  option.frame = true;
  option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
  option.subControls = QStyle::SC_SpinBoxFrame | QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown |
                       QStyle::SC_SpinBoxEditField;
  // The buttons stay usable at the bounds: a step there just changes nothing.
  option.stepEnabled = QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled;
  option.activeSubControls = QStyle::SC_None;
  if (pressed_ != Button::kNone && pointer_over_pressed_) {
    option.activeSubControls =
        pressed_ == Button::kUp ? QStyle::SC_SpinBoxUp : QStyle::SC_SpinBoxDown;
    option.state |= QStyle::State_Sunken;
  }
  return option;
}

QRect SpinEdit::UpButtonRect() const {
  const QStyleOptionSpinBox option = StyleOption();
  return style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, this);
}

QRect SpinEdit::DownButtonRect() const {
  const QStyleOptionSpinBox option = StyleOption();
  return style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxDown, this);
}

SpinEdit::Button SpinEdit::ButtonAt(QPoint position) const {
  if (UpButtonRect().contains(position)) return Button::kUp;
  if (DownButtonRect().contains(position)) return Button::kDown;
  return Button::kNone;
}

void SpinEdit::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QStyleOptionSpinBox option = StyleOption();
  style()->drawComplexControl(QStyle::CC_SpinBox, &option, &painter, this);
}

void SpinEdit::resizeEvent(QResizeEvent*) {
  const QStyleOptionSpinBox option = StyleOption();
  field_->setGeometry(
      style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxEditField, this));
}

void SpinEdit::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressed_ = ButtonAt(event->position().toPoint());
  if (pressed_ == Button::kNone) return;
  pointer_over_pressed_ = true;
  if (!field_->hasFocus()) field_->setFocus(Qt::OtherFocusReason);
  repeat_.start(kFirstRepeatMs);
  update();
}

void SpinEdit::mouseMoveEvent(QMouseEvent* event) {
  if (pressed_ == Button::kNone) return;
  const bool over = ButtonAt(event->position().toPoint()) == pressed_;
  if (over == pointer_over_pressed_) return;
  pointer_over_pressed_ = over;
  update();
}

void SpinEdit::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || pressed_ == Button::kNone) return;
  repeat_.stop();
  const Button released = std::exchange(pressed_, Button::kNone);
  update();
  if (ButtonAt(event->position().toPoint()) == released) {
    DispatchEvent([&] { Step(released); });
  }
}

void SpinEdit::RepeatTick() {
  repeat_.setInterval(kRepeatMs);
  if (pressed_ == Button::kNone || !pointer_over_pressed_) return;
  try {
    Step(pressed_);
  } catch (...) {
    // A failing step ends the repeat before the error is shown.
    repeat_.stop();
    pressed_ = Button::kNone;
    update();
    ShowException(std::current_exception());
  }
}

}  // namespace kal::ui
