#include "ui/image_control.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/error_display.h"

namespace kal::ui {

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

void ImageControl::ShowPicture(const QImage* picture) {
  picture_ = picture;
  FitToPicture();
  update();
}

void ImageControl::PictureChanged(const QRect& part) {
  if (!HasPicture()) return;  // nothing drawn, nothing to show
  update(part.isNull() ? rect() : part);
}

void ImageControl::SetAutoSize(bool auto_size) {
  auto_size_ = auto_size;
  FitToPicture();
}

void ImageControl::FitToPicture() {
  if (auto_size_ && HasPicture()) resize(picture_->size());
  UpdateOpaque();
}

void ImageControl::UpdateOpaque() {
  // A picture that covers the control hides the window under it, which then
  // need not be painted first; elsewhere the window shows through.
  setAttribute(Qt::WA_OpaquePaintEvent, HasPicture() && !picture_->hasAlphaChannel() &&
                                            picture_->width() >= width() &&
                                            picture_->height() >= height());
}

void ImageControl::resizeEvent(QResizeEvent*) { UpdateOpaque(); }

void ImageControl::paintEvent(QPaintEvent*) {
  if (!HasPicture()) return;
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
