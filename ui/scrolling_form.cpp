#include "ui/scrolling_form.h"

#include <QEvent>
#include <QPalette>
#include <QTimer>

#include "ui/error_display.h"

namespace kal::ui {

ScrollingForm::ScrollingForm(QWidget* parent) : QScrollArea(parent), client_(new QWidget) {
  QPalette palette = this->palette();
  palette.setColor(QPalette::Window, palette.color(QPalette::Button));
  setPalette(palette);
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(Qt::NoFocus);
  client_->setAutoFillBackground(true);
  setWidget(client_);
  setWidgetResizable(true);
}

void ScrollingForm::SetOuterSize(QSize outer) {
  outer_ = outer;
  framed_ = false;
  resize(outer_.expandedTo(ContentsExtent()));
  FitOuterSizeToFrame();
}

QSize ScrollingForm::ContentsExtent() const {
  QRect extent;
  for (const QWidget* child : client_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (child->isVisibleTo(client_)) extent |= child->geometry();
  }
  return QSize(extent.right() + 1, extent.bottom() + 1).expandedTo(QSize(0, 0));
}

void ScrollingForm::FitOuterSizeToFrame() {
  if (framed_ || outer_.isEmpty() || !isVisible()) return;
  const QSize frame = frameGeometry().size() - geometry().size();
  if (frame.isEmpty()) return;
  framed_ = true;
  resize((outer_ - frame).expandedTo(ContentsExtent()));
}

void ScrollingForm::FocusFirstControl() {
  for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
    if (w->focusProxy() == nullptr && (w->focusPolicy() & Qt::TabFocus) && w->isEnabled() &&
        w->isVisibleTo(this) && isAncestorOf(w)) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

bool ScrollingForm::event(QEvent* event) {
  const bool handled = QScrollArea::event(event);
  // A window manager reports the frame after mapping, with a move or resize.
  if (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
      event->type() == QEvent::WindowActivate) {
    FitOuterSizeToFrame();
  }
  return handled;
}

void ScrollingForm::showEvent(QShowEvent* event) {
  QScrollArea::showEvent(event);
  if (shown_) return;
  shown_ = true;
  client_->setMinimumSize(ContentsExtent());
  if (focusWidget() == nullptr) FocusFirstControl();
  QTimer::singleShot(0, this, [this] { FitOuterSizeToFrame(); });
}

void ScrollingForm::resizeEvent(QResizeEvent* event) {
  QScrollArea::resizeEvent(event);
  if (on_resize_) DispatchEvent(on_resize_);
}

}  // namespace kal::ui
