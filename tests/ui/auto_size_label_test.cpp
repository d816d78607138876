#include "ui/auto_size_label.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace kal::ui {
namespace {

QFont Arial24(bool underline = false) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(24);
  font.setUnderline(underline);
  return font;
}

// The pixels of a plain label with the same font, caption and size, on the
// same background: what the label must look like.
QImage AsPlainLabel(const AutoSizeLabel& label) {
  QWidget window;
  QPalette palette = window.palette();
  palette.setColor(QPalette::Window, label.palette().color(QPalette::Window));
  window.setPalette(palette);
  QLabel plain(label.Caption(), &window);
  plain.setFont(label.font());
  plain.setAlignment(Qt::AlignLeft | Qt::AlignTop);
  plain.setMargin(0);
  plain.setIndent(0);
  plain.setTextFormat(Qt::PlainText);
  plain.setAutoFillBackground(true);
  plain.setGeometry(label.geometry());
  return plain.grab().toImage();
}

TEST(AutoSizeLabel, CaptionsLookAndMeasureAsAPlainLabelDrawsThem) {
  // Result texts of every shape, texts with kerned pairs (A and a blank),
  // and texts that need shaping: a ligature, letters beyond ASCII, a tab,
  // an ampersand.
  const char* const captions[] = {
      "234BC - 130AD", "12300BC - 11950BC", "0AD - 0AD", "1AD - 1944AD", "95%",  "BP",
      "Label3",        "A A - AD",          "fi fl ffi", "BP rośnie",    "a\tb", "R&D"};
  QWidget window;
  for (const bool underline : {false, true}) {
    AutoSizeLabel label(QStringLiteral("Label3"), Arial24(underline), {0, 0, 72, 27}, &window);
    for (const char* caption : captions) {
      const QString text = QString::fromUtf8(caption);
      label.SetCaption(text);
      EXPECT_EQ(label.size(), QSize(QFontMetrics(label.font()).horizontalAdvance(text), 27))
          << caption;
      EXPECT_EQ(label.grab().toImage(), AsPlainLabel(label)) << caption << " " << underline;
    }
  }
}

TEST(AutoSizeLabel, KeepsItsFirstSizeUntilTheCaptionChanges) {
  QWidget window;
  AutoSizeLabel label(QStringLiteral("95%"), Arial24(), {600, 16, 47, 27}, &window);
  EXPECT_EQ(label.geometry(), QRect(600, 16, 47, 27));
  label.SetCaption(QStringLiteral("95%"));
  EXPECT_EQ(label.geometry(), QRect(600, 16, 47, 27));
  label.SetCaption(QStringLiteral("9"));
  EXPECT_EQ(label.geometry(), QRect(600, 16, 13, 27));
  EXPECT_EQ(label.Caption(), "9");
}

}  // namespace
}  // namespace kal::ui
