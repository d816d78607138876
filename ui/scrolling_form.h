// A top-level window laid out like the platform's form: controls sit at fixed
// pixel positions in ClientArea(), in the colour of the button face, and
// nothing moves when the window is resized; a window made smaller than its
// contents scrolls them. The outer size (frame and caption bar included) is
// known only once a window manager has framed the window, so the size is
// applied to the client area first and corrected when the frame appears.
#ifndef KAL_UI_SCROLLING_FORM_H_
#define KAL_UI_SCROLLING_FORM_H_

#include <QScrollArea>
#include <functional>

namespace kal::ui {

class ScrollingForm : public QScrollArea {
 public:
  explicit ScrollingForm(QWidget* parent = nullptr);

  // The parent of every control; its coordinates are the client area's.
  QWidget* ClientArea() const { return client_; }

  // Outer size wanted for the window; the client area never gets smaller
  // than the extent of the visible controls.
  void SetOuterSize(QSize outer);

  void SetOnResize(std::function<void()> handler) { on_resize_ = std::move(handler); }

 protected:
  bool event(QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QSize ContentsExtent() const;
  void FitOuterSizeToFrame();
  void FocusFirstControl();

  QWidget* client_;
  QSize outer_;
  bool framed_ = false;  // the outer size has been fitted to a frame
  bool shown_ = false;
  std::function<void()> on_resize_;
};

}  // namespace kal::ui

#endif  // KAL_UI_SCROLLING_FORM_H_
