// The main window: every control of the program at its fixed position, and
// the nine event handlers that are the whole of its behaviour. The window
// owns the calibration state and the loaded curve it points to; the plot and
// the export work on that state through State().
//
// Start-up: the constructor creates the controls with their values (the
// spin edits' values before their change handlers are bound, so nothing is
// calculated while building) and runs FormCreate; the sweep timer runs from
// then on, and its first tick in the message loop makes the first
// calculation, for age 2501 and error 50.
#ifndef KAL_UI_FORM1_H_
#define KAL_UI_FORM1_H_

#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <optional>

#include "core/calibration.h"
#include "data/curves.h"
#include "plot/distribution_pictures.h"
#include "plot/sweep_stats.h"
#include "ui/auto_size_label.h"
#include "ui/event_timer.h"
#include "ui/image_control.h"
#include "ui/scrolling_form.h"
#include "ui/spin_edit.h"

namespace kal::ui {

// "Kalibracja 14C", with the curve's name after a dash unless it is the default.
QString WindowCaption(const LoadedCurve& curve);

class TForm1 : public ScrollingForm {
 public:
  explicit TForm1(LoadedCurve curve, QWidget* parent = nullptr);
  ~TForm1() override;

  // The controls, owned by the window. Button1, ButtonEx, Memo1 and Edit1
  // stay hidden; the curve is compiled in, so no memos hold its lists.
  QPushButton* Button1;
  QPlainTextEdit* Memo1;
  SpinEdit* SpinEditData;  // the radiocarbon age, years BP
  SpinEdit* SpinEditBlad;  // its one-sigma error, years
  AutoSizeLabel* Label1;
  AutoSizeLabel* Label2;
  EventTimer* Timer1;
  QPushButton* Button2;
  ImageControl* Image2;  // the year ruler
  ImageControl* Image3;  // the jog strip
  QScrollBar* ScrollBar1;
  QCheckBox* CheckBox1;
  ImageControl* Image1;  // the distribution plot
  AutoSizeLabel* Label3;
  AutoSizeLabel* Label4;
  QPushButton* ButtonEx;
  QLineEdit* Edit1;

  void FormCreate(QObject* Sender);
  void Button1Click(QObject* Sender);
  void SpinEditBladChange(QObject* Sender);
  void SpinEditDataChange(QObject* Sender);
  void Timer1Timer(QObject* Sender);
  void Button2Click(QObject* Sender);
  void FormResize(QObject* Sender);
  void Image3MouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X,
                       int Y);
  void ButtonExClick(QObject* Sender);

  const CalibrationState& State() const { return state_; }
  const LoadedCurve& Curve() const { return curve_; }

  // Steps 3 and 4 of every calculation: by default the ruler and the plot
  // drawn into the pictures Image2 and Image1 show; nullptr draws nothing.
  // Not owned.
  void SetDrawing(CalibrationDrawing* drawing) { drawing_ = drawing; }
  const DistributionPictures& Pictures() const { return pictures_; }

  // Counts ticks and shown pictures for tools/measure-sweep.
  void MeasureSweep(SweepStats stats) { sweep_stats_ = std::move(stats); }
  const std::optional<SweepStats>& SweepMeasurement() const { return sweep_stats_; }

 private:
  LoadedCurve curve_;
  CalibrationState state_;
  DistributionPictures pictures_;
  CalibrationDrawing* drawing_ = &pictures_;
  uint64_t rulers_shown_ = 0;
  std::optional<SweepStats> sweep_stats_;
  QImage jog_strip_;
};

}  // namespace kal::ui

#endif  // KAL_UI_FORM1_H_
