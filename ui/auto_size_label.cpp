#include "ui/auto_size_label.h"

#include <QFontMetrics>

namespace kal::ui {

AutoSizeLabel::AutoSizeLabel(const QString& caption, const QFont& font, QRect geometry,
                             QWidget* parent)
    : QLabel(caption, parent) {
  setFont(font);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setMargin(0);
  setIndent(0);
  setTextFormat(Qt::PlainText);
  // The layout's sizes were measured with the original fonts; the metric
  // twins used here may differ by a pixel, which must not move anything.
  setGeometry(geometry);
}

void AutoSizeLabel::SetCaption(const QString& caption) {
  if (caption == text()) return;
  setText(caption);
  const QFontMetrics metrics(font());
  resize(metrics.horizontalAdvance(caption), metrics.height());
}

}  // namespace kal::ui
