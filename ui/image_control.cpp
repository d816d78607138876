#include "ui/image_control.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/error_display.h"

namespace kal::ui {

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::NoFocus);
  // The picture is drawn as it is; the window shows through where there is none.
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ImageControl::ShowPicture(const QImage* picture) {
  picture_ = picture;
  FitToPicture();
  update();
}

void ImageControl::SetAutoSize(bool auto_size) {
  auto_size_ = auto_size;
  FitToPicture();
}

void ImageControl::FitToPicture() {
  if (auto_size_ && picture_ != nullptr && !picture_->isNull()) resize(picture_->size());
}

void ImageControl::paintEvent(QPaintEvent*) {
  if (picture_ == nullptr || picture_->isNull()) return;
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), *picture_);
}

void ImageControl::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (!on_mouse_down_) return;
  const QPoint at = event->position().toPoint();
  DispatchEvent([&] { on_mouse_down_(event->button(), event->modifiers(), at.x(), at.y()); });
}

void ImageControl::mouseDoubleClickEvent(QMouseEvent* event) { mousePressEvent(event); }

void ImageControl::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

}  // namespace kal::ui
