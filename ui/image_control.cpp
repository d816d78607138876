#include "ui/image_control.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "ui/error_display.h"

namespace kal::ui {

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) { setFocusPolicy(Qt::NoFocus); }

void ImageControl::ShowPicture(const QImage* picture) {
  if (picture == picture_) return;  // the same picture: its owner says what changed
  picture_ = picture;
  FitToPicture();
  update();
}

void ImageControl::PictureChanged() {
  if (HasPicture()) update();  // nothing drawn, nothing to show
}

void ImageControl::PictureChanged(const QRegion& part) {
  if (HasPicture()) update(part);
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

void ImageControl::paintEvent(QPaintEvent* event) {
  if (!HasPicture()) return;
  // Only the part that changed is copied: during the sweep that is a few
  // rectangles round the plot's changed columns, not the whole picture.
  // Each is copied under a clip of its own rectangle: under the region's
  // clip the copy would go span by span (handed to helper threads when there
  // are many) instead of row by row.
  QPainter painter(this);
  const bool one_rect = event->region().rectCount() == 1;
  for (const QRect& rect : event->region()) {
    const QRect part = rect.intersected(picture_->rect());
    if (part.isEmpty()) continue;
    if (!one_rect) painter.setClipRect(part);
    painter.drawImage(part.topLeft(), *picture_, part);
  }
  if (on_painted_) on_painted_();
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
