// A label whose size follows its caption: a new caption makes it as wide as
// the text's advance and as high as the font's line. The text is drawn from
// the top-left corner over the window's background colour; the first caption
// keeps the size the layout gives.
//
// The result label changes its caption on every tick of the sweep. Laying a
// caption out (itemizing and shaping it) costs more than the rest of its
// drawing, so the label keeps the glyph and advance of each character it has
// met, and the kerning of each pair, and places a new caption from those:
// the same glyphs at the same positions as the text drawn whole. Captions
// with characters that need real shaping (anything beyond printable ASCII)
// and fonts with lines (underline and the like) are drawn whole.
#ifndef KAL_UI_AUTO_SIZE_LABEL_H_
#define KAL_UI_AUTO_SIZE_LABEL_H_

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QLabel>
#include <QRawFont>
#include <QString>
#include <QVector>
#include <array>
#include <cstdint>
#include <optional>

namespace kal::ui {

// Glyphs and advances of single characters in one font, in 64ths of a pixel
// as the font system lays them out, and the kerning of pairs.
class CachedGlyphs {
 public:
  explicit CachedGlyphs(const QFont& font);

  // The glyphs of `text` placed as a layout of the whole text places them,
  // baseline at `baseline`; nullopt when `text` needs real shaping.
  std::optional<QGlyphRun> Place(const QString& text, qreal baseline);
  // The text's advance in whole pixels, as QFontMetrics gives it; nullopt
  // when `text` needs real shaping.
  std::optional<int> Advance(const QString& text);

 private:
  struct Glyph {
    quint32 index = 0;
    int advance = 0;  // 64ths of a pixel
    bool known = false;
  };
  static constexpr int kFirst = 0x20;  // printable ASCII only
  static constexpr int kLast = 0x7E;

  // Advances of the text's glyphs with the kerning of each pair added to the
  // first; false when a character is not a single simple glyph. A caption is
  // measured when it is set and laid again when it is painted: the second
  // time the last layout serves.
  bool Lay(const QString& text);
  bool LayAnew(const QString& text);
  const Glyph* GlyphOf(char16_t c);
  int Kerning(char16_t first, char16_t second);

  QFont font_;
  QRawFont raw_font_;
  bool usable_;
  std::array<Glyph, kLast - kFirst + 1> glyphs_{};
  QHash<quint32, int> kerning_;  // first << 16 | second
  QVector<quint32> indexes_;     // of the last Lay
  QVector<int> advances_;
  std::optional<QString> laid_;  // the text of the last Lay
  bool laid_whole_ = false;      // what it returned
};

class AutoSizeLabel : public QLabel {
 public:
  AutoSizeLabel(const QString& caption, const QFont& font, QRect geometry, QWidget* parent);

  QString Caption() const { return text(); }
  void SetCaption(const QString& caption);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  CachedGlyphs& Glyphs();

  std::optional<CachedGlyphs> glyphs_;  // for the current font
};

}  // namespace kal::ui

#endif  // KAL_UI_AUTO_SIZE_LABEL_H_
