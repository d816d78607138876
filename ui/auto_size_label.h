// A label whose size follows its caption: a new caption makes it as wide as
// the text's advance and as high as the font's line. The text is drawn from
// the top-left corner; the first caption keeps the size the layout gives.
#ifndef KAL_UI_AUTO_SIZE_LABEL_H_
#define KAL_UI_AUTO_SIZE_LABEL_H_

#include <QLabel>

namespace kal::ui {

class AutoSizeLabel : public QLabel {
 public:
  AutoSizeLabel(const QString& caption, const QFont& font, QRect geometry, QWidget* parent);

  QString Caption() const { return text(); }
  void SetCaption(const QString& caption);
};

}  // namespace kal::ui

#endif  // KAL_UI_AUTO_SIZE_LABEL_H_
