#include "ui/auto_size_label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

namespace kal::ui {
namespace {

// A kerning that marks a pair the font joins or reorders (a ligature).
constexpr int kNotAPair = INT32_MIN;

// The glyph runs of `text` laid out whole on one line.
QList<QGlyphRun> LaidOut(const QString& text, const QFont& font) {
  QTextLayout layout(text, font);
  layout.beginLayout();
  layout.createLine();
  layout.endLayout();
  return layout.glyphRuns();
}

int Sixty4ths(qreal pixels) { return static_cast<int>(std::lround(pixels * 64)); }

}  // namespace

CachedGlyphs::CachedGlyphs(const QFont& font) : font_(font) {
  usable_ = !font.underline() && !font.overline() && !font.strikeOut() &&
            font.letterSpacing() == 0 && font.wordSpacing() == 0 &&
            font.capitalization() == QFont::MixedCase;
  if (!usable_) return;
  const QList<QGlyphRun> runs = LaidOut(QStringLiteral("0"), font_);
  usable_ = runs.size() == 1;
  if (usable_) raw_font_ = runs.front().rawFont();
}

const CachedGlyphs::Glyph* CachedGlyphs::GlyphOf(char16_t c) {
  if (c < kFirst || c > kLast || c == u'&') return nullptr;  // & may mark a mnemonic
  Glyph& glyph = glyphs_[c - kFirst];
  if (!glyph.known) {
    glyph.known = true;
    const QString text(QChar{c});
    const QList<QGlyphRun> runs = LaidOut(text, font_);
    // One glyph of the label's own font, not a fallback font's.
    if (runs.size() == 1 && runs.front().glyphIndexes().size() == 1 &&
        runs.front().rawFont() == raw_font_) {
      glyph.index = runs.front().glyphIndexes().front();
      glyph.advance = Sixty4ths(QFontMetricsF(font_).horizontalAdvance(text));
    } else {
      glyph.advance = kNotAPair;
    }
  }
  return glyph.advance == kNotAPair ? nullptr : &glyph;
}

int CachedGlyphs::Kerning(char16_t first, char16_t second) {
  const quint32 key = quint32{first} << 16 | second;
  if (const auto known = kerning_.constFind(key); known != kerning_.cend()) return *known;
  int kerning = kNotAPair;
  const QString pair = QString(QChar{first}) + QChar{second};
  const QList<QGlyphRun> runs = LaidOut(pair, font_);
  const Glyph* a = GlyphOf(first);
  const Glyph* b = GlyphOf(second);
  if (runs.size() == 1 && runs.front().glyphIndexes().size() == 2 &&
      runs.front().glyphIndexes()[0] == a->index && runs.front().glyphIndexes()[1] == b->index) {
    const QList<QPointF> at = runs.front().positions();
    kerning = Sixty4ths(at[1].x() - at[0].x()) - a->advance;
    // The pair's advance must be the sum of its parts with the kerning.
    const int whole = Sixty4ths(QFontMetricsF(font_).horizontalAdvance(pair));
    if (whole != a->advance + kerning + b->advance || at[0].y() != at[1].y()) kerning = kNotAPair;
  }
  kerning_.insert(key, kerning);
  return kerning;
}

bool CachedGlyphs::Lay(const QString& text) {
  if (laid_ != text) {
    laid_ = text;
    laid_whole_ = LayAnew(text);
  }
  return laid_whole_;
}

bool CachedGlyphs::LayAnew(const QString& text) {
  if (!usable_ || text.isEmpty()) return false;
  indexes_.resize(text.size());
  advances_.resize(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const Glyph* glyph = GlyphOf(text[i].unicode());
    if (glyph == nullptr) return false;
    indexes_[i] = glyph->index;
    advances_[i] = glyph->advance;
    if (i > 0) {
      const int kerning = Kerning(text[i - 1].unicode(), text[i].unicode());
      if (kerning == kNotAPair) return false;
      advances_[i - 1] += kerning;
    }
  }
  return true;
}

std::optional<QGlyphRun> CachedGlyphs::Place(const QString& text, qreal baseline) {
  if (!Lay(text)) return std::nullopt;
  QList<QPointF> positions(text.size());
  int x = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    positions[i] = QPointF(x / 64.0, baseline);
    x += advances_[i];
  }
  QGlyphRun run;
  run.setRawFont(raw_font_);
  run.setGlyphIndexes(indexes_);
  run.setPositions(positions);
  return run;
}

std::optional<int> CachedGlyphs::Advance(const QString& text) {
  if (!Lay(text)) return std::nullopt;
  int sum = 0;
  for (const int advance : advances_) sum += advance;
  return (sum + 32) >> 6;  // to the nearest pixel, halves up, as the metrics round
}

AutoSizeLabel::AutoSizeLabel(const QString& caption, const QFont& font, QRect geometry,
                             QWidget* parent)
    : QLabel(caption, parent) {
  setFont(font);
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setMargin(0);
  setIndent(0);
  setTextFormat(Qt::PlainText);
  // The label paints its own background in the window's colour, so that a
  // new caption repaints the label alone and not the window behind it too.
  setAutoFillBackground(true);
  // The layout's sizes were measured with the original fonts; the metric
  // twins used here may differ by a pixel, which must not move anything.
  setGeometry(geometry);
}

CachedGlyphs& AutoSizeLabel::Glyphs() {
  if (!glyphs_) glyphs_.emplace(font());
  return *glyphs_;
}

void AutoSizeLabel::SetCaption(const QString& caption) {
  if (caption == text()) return;
  setText(caption);
  const std::optional<int> advance = Glyphs().Advance(caption);
  const QFontMetrics metrics(font());
  resize(advance ? *advance : metrics.horizontalAdvance(caption), metrics.height());
}

void AutoSizeLabel::paintEvent(QPaintEvent* event) {
  // Drawn as the plain label draws it: the text's top-left corner at the
  // label's, in the palette's text colour.
  const std::optional<QGlyphRun> run = Glyphs().Place(text(), QFontMetricsF(font()).ascent());
  if (!run || !isEnabled() || frameWidth() != 0) {
    QLabel::paintEvent(event);
    return;
  }
  QPainter painter(this);
  painter.setPen(QPen(palette().brush(foregroundRole()), 1));
  painter.drawGlyphRun(QPointF(0, 0), *run);
}

void AutoSizeLabel::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) glyphs_.reset();
  QLabel::changeEvent(event);
}

}  // namespace kal::ui
