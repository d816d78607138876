// An image control: shows a picture at its top-left corner, or nothing before
// it has one, and reports mouse presses with their position. The picture is
// owned by whoever draws it and may be redrawn in place; the owner then calls
// PictureChanged so that the control repaints once the handler returns.
// Like the platform's image, it takes no keyboard focus.
#ifndef KAL_UI_IMAGE_CONTROL_H_
#define KAL_UI_IMAGE_CONTROL_H_

#include <QImage>
#include <QRegion>
#include <QWidget>
#include <functional>

namespace kal::ui {

class ImageControl : public QWidget {
 public:
  using MouseDownHandler =
      std::function<void(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y)>;

  explicit ImageControl(QWidget* parent = nullptr);

  // The picture to show (not owned; nullptr for none). With auto size on,
  // the control takes the picture's size.
  void ShowPicture(const QImage* picture);
  const QImage* Picture() const { return picture_; }

  // Marks the whole picture, or just the part of it a drawing changed (none
  // when the part is empty), for repainting.
  void PictureChanged();
  void PictureChanged(const QRegion& part);
  void SetAutoSize(bool auto_size);

  // Every press of any mouse button, the second of a double-click included.
  void SetOnMouseDown(MouseDownHandler handler) { on_mouse_down_ = std::move(handler); }
  // After every paint of the picture (for the sweep's measurement).
  void SetOnPainted(std::function<void()> handler) { on_painted_ = std::move(handler); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool HasPicture() const { return picture_ != nullptr && !picture_->isNull(); }
  void FitToPicture();
  void UpdateOpaque();

  const QImage* picture_ = nullptr;
  bool auto_size_ = false;
  MouseDownHandler on_mouse_down_;
  std::function<void()> on_painted_;
};

}  // namespace kal::ui

#endif  // KAL_UI_IMAGE_CONTROL_H_
