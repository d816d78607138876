// The two rules that move the age without typing, apart from the widgets so
// they can be checked column by column and position by position: the jog
// strip under the age (a click's step grows exponentially with its distance
// from the centre) and the sweep timer's step per scroll bar position. Also
// the jog strip's picture.
#ifndef KAL_UI_JOG_AND_SWEEP_H_
#define KAL_UI_JOG_AND_SWEEP_H_

#include <QImage>
#include <cstdint>

namespace kal::ui {

// The jog never leaves these ages, above the age box's own minimum of 10.
inline constexpr int32_t kJogLowest = 300;
inline constexpr int32_t kJogHighest = 45000;

// The step of a click at column x of a strip `width` pixels wide:
// sign(f) * round(exp(|f| * 10)) with f = 2 (x - width div 2) / width.
int32_t JogStep(int x, int width);

// The age after a click at column x, from the age text's integer.
int32_t JogAge(int32_t age, int x, int width);

// The sweep's step per tick at scroll bar position p: round(exp(p * 0.04)).
int32_t SweepStep(int position);

// The sweep's tick interval in milliseconds at scroll bar position p.
inline int SweepInterval(int position) { return position > 0 ? 100 : 1; }

// The jog strip's 101 x 20 picture: a silver field with the black centre
// line, the rising diagonal and the ragged borders.
QImage JogStripPicture();

}  // namespace kal::ui

#endif  // KAL_UI_JOG_AND_SWEEP_H_
