#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QTest>
#include <memory>
#include <stdexcept>
#include <vector>

#include "data/curves.h"
#include "ui/error_display.h"
#include "ui/message_boxes.h"

namespace kal::ui {
namespace {

const LoadedCurve& IntCal20() {
  static const LoadedCurve curve = DefaultCurve();
  return curve;
}

// The result text a calculation gives, worked out apart from the window.
std::string ResultFor(const LoadedCurve& curve, int32_t age, int32_t error) {
  CalibrationState state;
  state.CalCurve = &curve.table;
  state.SampleAge = age;
  state.Sigma = error + 5;
  return Calibrate(state).text;
}

// Stands in for the plot: records every calculation (age and working width)
// and can fail on demand or make the state forget its weight table.
class RecordingDrawing : public CalibrationDrawing {
 public:
  struct Calculation {
    int32_t age, sigma;
    bool operator==(const Calculation&) const = default;
  };

  void DrawRuler(CalibrationState& state) override {
    calculations.push_back({state.SampleAge, state.Sigma});
    state_ = &state;
    if (on_calculation) on_calculation();
    if (!fail_with.empty()) throw std::runtime_error(std::exchange(fail_with, ""));
  }
  void DrawDistribution(CalibrationState&) override {}

  // Empties the weight table the last calculation left: a calculation that
  // does not rebuild it finds no weight.
  void ForgetWeightTable() { state_->GaussTable = WeightTable(); }

  std::vector<int32_t> Ages() const {
    std::vector<int32_t> ages;
    for (const Calculation& c : calculations) ages.push_back(c.age);
    return ages;
  }

  std::vector<Calculation> calculations;
  std::string fail_with;
  std::function<void()> on_calculation;

 private:
  CalibrationState* state_ = nullptr;
};

class WindowTest : public ::testing::Test {
 protected:
  explicit WindowTest(const LoadedCurve& curve = IntCal20())
      : form(std::make_unique<TForm1>(curve)) {
    form->SetDrawing(&drawing);
  }

  // Shown with the sweep stopped, so that only the test changes the age.
  void ShowStopped() {
    form->Button2->click();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    drawing.calculations.clear();
  }

  QString Label3() const { return form->Label3->Caption(); }

  RecordingDrawing drawing;
  std::unique_ptr<TForm1> form;
};

TEST_F(WindowTest, ControlsSitWhereTheLayoutPutsThem) {
  const struct {
    QWidget* control;
    QRect geometry;
    QString text;
    int font_pixels;  // 0: the window's font
    bool shown;
  } cases[] = {
      {form->Label1, {376, 8, 14, 27}, "+", 24, true},
      {form->Label2, {464, 14, 32, 27}, "BP", 24, true},
      {form->Image2, {8, 352, 777, 49}, "", 0, true},
      {form->Image3, {272, 56, 101, 20}, "", 0, true},
      {form->Image1, {8, 104, 777, 249}, "", 0, true},
      {form->Label3, {520, 48, 72, 27}, "Label3", 24, true},
      {form->Label4, {600, 16, 47, 27}, "95%", 24, true},
      {form->Button1, {352, 328, 81, 25}, "Button1", 0, false},
      {form->SpinEditData, {272, 9, 97, 37}, "2500", 24, true},
      {form->SpinEditBlad, {396, 9, 61, 37}, "50", 24, true},
      {form->Button2, {16, 8, 129, 33}, "Stop", 21, true},
      {form->ScrollBar1, {16, 48, 129, 17}, "", 0, true},
      {form->CheckBox1, {16, 72, 81, 25}, QString::fromUtf8("BP rośnie"), 0, true},
      {form->ButtonEx, {704, 8, 73, 17}, "do Schowka", 0, false},
      {form->Memo1, {600, 72, 177, 305}, "", 13, false},
      {form->Edit1, {704, 32, 49, 21}, "", 0, false},
  };
  form->show();
  for (const auto& c : cases) {
    const QString name = c.text.isEmpty() ? c.control->metaObject()->className() : c.text;
    EXPECT_EQ(c.control->parentWidget(), form->ClientArea()) << name.toStdString();
    EXPECT_EQ(c.control->geometry(), c.geometry) << name.toStdString();
    EXPECT_EQ(c.control->isVisible(), c.shown) << name.toStdString();
    const int pixels = c.font_pixels == 0 ? 11 : c.font_pixels;
    EXPECT_EQ(c.control->font().pixelSize(), pixels) << name.toStdString();
    if (c.font_pixels != 0) {
      EXPECT_EQ(QFontInfo(c.control->font()).family(), "Liberation Sans") << name.toStdString();
    }
  }
  EXPECT_EQ(form->Label1->Caption(), "+");
  EXPECT_TRUE(form->Label1->font().underline());
  EXPECT_EQ(form->SpinEditData->MinValue(), 10);
  EXPECT_EQ(form->SpinEditData->MaxValue(), 45000);
  EXPECT_EQ(form->SpinEditBlad->MinValue(), 10);
  EXPECT_EQ(form->SpinEditBlad->MaxValue(), 1000);
  EXPECT_EQ(form->ScrollBar1->orientation(), Qt::Horizontal);
  EXPECT_EQ(form->ScrollBar1->minimum(), 0);
  EXPECT_EQ(form->ScrollBar1->maximum(), 100);
  EXPECT_EQ(form->ScrollBar1->value(), 0);
  EXPECT_EQ(form->ScrollBar1->singleStep(), 1);
  EXPECT_EQ(form->ScrollBar1->pageStep(), 1);
  EXPECT_TRUE(form->CheckBox1->isChecked());
  EXPECT_EQ(form->Timer1->Interval(), 1);
  EXPECT_TRUE(form->Timer1->Enabled());
  EXPECT_EQ(form->Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_FALSE(form->Memo1->tabChangesFocus());

  // Image1 lies over Image2, and every windowed control over the pictures.
  const QObjectList& order = form->ClientArea()->children();
  EXPECT_LT(order.indexOf(form->Image2), order.indexOf(form->Image1));
  EXPECT_LT(order.indexOf(form->Label4), order.indexOf(form->SpinEditData));

  EXPECT_EQ(form->windowTitle(), "Kalibracja 14C");
  EXPECT_EQ(form->pos(), QPoint(0, 0));
  EXPECT_EQ(form->size(), QSize(800, 445));  // no frame offscreen: all of it is client area
  EXPECT_EQ(form->ClientArea()->palette().color(QPalette::Window),
            form->palette().color(QPalette::Button));
}

TEST_F(WindowTest, TabVisitsTheVisibleControlsInOrder) {
  ShowStopped();
  const QWidget* expected[] = {form->SpinEditBlad->LineEdit(),
                               form->Button2,
                               form->ScrollBar1,
                               form->CheckBox1,
                               form->SpinEditData->LineEdit(),
                               form->SpinEditBlad->LineEdit()};
  ASSERT_EQ(QApplication::focusWidget(), form->SpinEditData->LineEdit());
  for (const QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
}

TEST_F(WindowTest, NothingIsCalculatedBeforeTheFirstTick) {
  form->show();  // no event has been delivered yet
  EXPECT_EQ(form->State().SampleAge, 0);
  EXPECT_EQ(form->State().Sigma, 0);
  EXPECT_FALSE(form->State().GaussReady);
  EXPECT_EQ(form->State().CalCurve, &form->Curve().table);
  EXPECT_EQ(Label3(), "Label3");
  EXPECT_TRUE(drawing.calculations.empty());

  // The first tick calculates 2501 and 50; stop there to look at it.
  drawing.on_calculation = [this] { form->Timer1->SetEnabled(false); };
  QTRY_VERIFY(!drawing.calculations.empty());
  QTest::qWait(20);
  ASSERT_EQ(drawing.calculations.size(), 1u);
  EXPECT_EQ(drawing.calculations[0], (RecordingDrawing::Calculation{2501, 55}));
  EXPECT_EQ(Label3().toStdString(), ResultFor(IntCal20(), 2501, 50));
  EXPECT_EQ(form->SpinEditData->Text(), "2501");
}

TEST_F(WindowTest, StartsWithTheAgeFocusedAndSelected) {
  ShowStopped();
  EXPECT_EQ(QApplication::focusWidget(), form->SpinEditData->LineEdit());
  EXPECT_EQ(form->SpinEditData->LineEdit()->selectedText(), "2500");
}

TEST_F(WindowTest, TypingOverTheSelectedAgeCalculatesEveryKeystroke) {
  ShowStopped();
  form->SpinEditData->LineEdit()->selectAll();
  QTest::keyClicks(form->SpinEditData->LineEdit(), "3000");
  EXPECT_EQ(drawing.Ages(), (std::vector<int32_t>{3, 30, 300, 3000}));
  EXPECT_EQ(drawing.calculations.back().sigma, 55);
  EXPECT_EQ(Label3().toStdString(), ResultFor(IntCal20(), 3000, 50));
  // The result label takes the width of its text.
  const QFontMetrics metrics(form->Label3->font());
  EXPECT_EQ(form->Label3->size(), QSize(metrics.horizontalAdvance(Label3()), 27));
}

TEST_F(WindowTest, UnusableInputsRunNoCalculation) {
  ShowStopped();
  const struct {
    const char* age;
    const char* error;
    int32_t sample_age, sigma;
    bool calculates;
  } cases[] = {
      {"", "50", 0, 55, false},
      {"-", "50", 0, 55, false},
      {"+", "50", 0, 55, false},
      {"-100", "50", -100, 55, false},
      {"2500", "-5", 2500, 0, false},
      {"2500", "-3", 2500, 2, true},
      {"2500", "5,", 2500, 5, true},
      {"2500", "", 2500, 5, true},
      {"2500", "10001", 2500, 10006, false},   // beyond the widest weight table
      {"2500", "2147483647", 2500, 0, false},  // the width would overflow
      {"2147483600", "50", 2147483600, 55, false},
  };
  for (const auto& c : cases) {
    form->SpinEditData->SetText("1000");
    form->SpinEditBlad->SetText("10");
    form->SpinEditBlad->SetText(c.error);
    const QString before = Label3();
    drawing.calculations.clear();
    form->SpinEditData->SetText(c.age);
    EXPECT_EQ(form->State().SampleAge, c.sample_age) << c.age << " " << c.error;
    EXPECT_EQ(form->State().Sigma, c.sigma) << c.age << " " << c.error;
    EXPECT_EQ(drawing.calculations.size(), c.calculates ? 1u : 0u) << c.age << " " << c.error;
    if (!c.calculates) {
      EXPECT_EQ(Label3(), before) << c.age << " " << c.error;
    }
  }
}

TEST_F(WindowTest, AnyErrorTextChangeRebuildsTheWeightTable) {
  ShowStopped();
  form->SpinEditData->SetValue(2501);
  ASSERT_EQ(Label3().toStdString(), ResultFor(IntCal20(), 2501, 50));

  // An age change keeps the table: without one, no year has weight.
  drawing.ForgetWeightTable();
  form->SpinEditData->SetValue(2502);
  EXPECT_EQ(Label3(), "0AD - 0AD");

  // "050" in place of "50" is the same error, yet the table is rebuilt.
  drawing.ForgetWeightTable();
  QLineEdit* error = form->SpinEditBlad->LineEdit();
  error->setFocus();
  error->selectAll();
  error->insert("050");
  EXPECT_EQ(drawing.calculations.back(), (RecordingDrawing::Calculation{2502, 55}));
  EXPECT_EQ(Label3().toStdString(), ResultFor(IntCal20(), 2502, 50));

  // Cleared also when no calculation follows.
  form->SpinEditData->SetText("");
  form->SpinEditBlad->SetText("50");
  EXPECT_FALSE(form->State().GaussReady);
}

TEST_F(WindowTest, OutOfRangeTextsAreCorrectedWhenTheFocusLeaves) {
  ShowStopped();
  const struct {
    SpinEdit* box;
    const char* typed;
    const char* corrected;
    int32_t age, sigma;  // of the calculation the correction runs
  } cases[] = {
      {form->SpinEditData, "50000", "45000", 45000, 55},
      {form->SpinEditData, "5", "10", 10, 55},
      {form->SpinEditBlad, "2000", "1000", 10, 1005},
      {form->SpinEditBlad, "0", "10", 10, 15},
  };
  for (const auto& c : cases) {
    QLineEdit* field = c.box->LineEdit();
    field->setFocus(Qt::TabFocusReason);
    field->selectAll();
    QTest::keyClicks(field, c.typed);
    EXPECT_EQ(c.box->Text(), c.typed);  // calculated as typed
    drawing.calculations.clear();
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(c.box->Text(), c.corrected) << c.typed;
    ASSERT_EQ(drawing.calculations.size(), 1u) << c.typed;
    EXPECT_EQ(drawing.calculations[0], (RecordingDrawing::Calculation{c.age, c.sigma}));
  }
}

TEST_F(WindowTest, JogStripClicks) {
  ShowStopped();
  form->SpinEditBlad->LineEdit()->setFocus();
  const struct {
    const char* before;
    int x;
    Qt::MouseButton button;
    const char* after;
    bool calculates;
  } cases[] = {
      {"2500", 50, Qt::LeftButton, "2500", false},   {"+2500", 50, Qt::LeftButton, "2500", true},
      {"0100", 50, Qt::LeftButton, "300", true},     {"abc", 50, Qt::RightButton, "300", true},
      {"2500", 100, Qt::LeftButton, "22450", true},  {"2500", 0, Qt::MiddleButton, "300", true},
      {"45000", 60, Qt::LeftButton, "45000", false}, {"300", 40, Qt::LeftButton, "300", false},
      {"2500", 53, Qt::RightButton, "2502", true},   {"2500", 47, Qt::LeftButton, "2498", true},
  };
  for (const auto& c : cases) {
    form->SpinEditData->SetText(c.before);
    drawing.calculations.clear();
    QTest::mouseClick(form->Image3, c.button, Qt::ShiftModifier, QPoint(c.x, 10));
    EXPECT_EQ(form->SpinEditData->Text(), c.after) << c.before << " at " << c.x;
    EXPECT_EQ(drawing.calculations.size(), c.calculates ? 1u : 0u) << c.before << " at " << c.x;
  }
  // The click leaves the focus where it was.
  EXPECT_EQ(QApplication::focusWidget(), form->SpinEditBlad->LineEdit());
  // The second press of a double-click jogs again (sent through the window,
  // as the platform delivers it).
  form->SpinEditData->SetText("2500");
  QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {},
                     form->Image3->mapTo(form.get(), QPoint(53, 10)));
  EXPECT_EQ(form->SpinEditData->Text(), "2504");
}

TEST_F(WindowTest, UpwardSweepWrapsTo500AboveTenThousand) {
  ShowStopped();
  form->SpinEditData->SetText("9999");
  drawing.calculations.clear();
  form->Timer1Timer(form->Timer1);
  EXPECT_EQ(form->SpinEditData->Text(), "10000");
  form->Timer1Timer(form->Timer1);
  EXPECT_EQ(form->SpinEditData->Text(), "500");
  EXPECT_EQ(drawing.Ages(), (std::vector<int32_t>{10000, 10001, 500}));

  form->ScrollBar1->setValue(100);
  form->SpinEditData->SetText("9990");
  drawing.calculations.clear();
  form->Timer1Timer(form->Timer1);
  EXPECT_EQ(drawing.Ages(), (std::vector<int32_t>{10045, 500}));
  EXPECT_EQ(form->Timer1->Interval(), 100);

  // An age above the range: the limit leaves 45000 unchanged, then the wrap.
  form->SpinEditData->SetText("45000");
  drawing.calculations.clear();
  form->Timer1Timer(form->Timer1);
  EXPECT_EQ(drawing.Ages(), (std::vector<int32_t>{500}));
}

TEST_F(WindowTest, DownwardSweepStopsAtTen) {
  ShowStopped();
  form->CheckBox1->setChecked(false);
  form->ScrollBar1->setValue(50);  // step 7
  form->SpinEditData->SetText("15");
  drawing.calculations.clear();
  form->Timer1Timer(form->Timer1);
  EXPECT_EQ(form->SpinEditData->Text(), "10");
  form->Timer1Timer(form->Timer1);
  form->Timer1Timer(form->Timer1);
  EXPECT_EQ(drawing.Ages(), (std::vector<int32_t>{10}));

  // A non-integer age reads as 10.
  form->SpinEditData->SetText("");
  form->Timer1Timer(form->Timer1);
  EXPECT_EQ(form->SpinEditData->Text(), "10");
  form->CheckBox1->setChecked(true);
  form->SpinEditData->SetText("");
  form->Timer1Timer(form->Timer1);
  EXPECT_EQ(form->SpinEditData->Text(), "17");
}

TEST_F(WindowTest, ScrollBarSetsStepAndInterval) {
  ShowStopped();
  const struct {
    int position, step, interval;
  } cases[] = {{0, 1, 1}, {1, 1, 100}, {11, 2, 100}, {75, 20, 100}, {100, 55, 100}, {0, 1, 1}};
  for (const auto& c : cases) {
    form->ScrollBar1->setValue(c.position);
    form->SpinEditData->SetText("2000");
    form->Timer1Timer(form->Timer1);
    EXPECT_EQ(form->SpinEditData->Value(), 2000 + c.step) << c.position;
    EXPECT_EQ(form->Timer1->Interval(), c.interval) << c.position;
  }
}

TEST_F(WindowTest, StopAndStartButton) {
  form->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  QTest::mouseClick(form->Button2, Qt::LeftButton);
  EXPECT_EQ(form->Button2->text(), "Start");
  EXPECT_FALSE(form->Timer1->Enabled());
  EXPECT_FALSE(form->Timer1->Running());
  drawing.calculations.clear();
  QTest::qWait(30);
  EXPECT_TRUE(drawing.calculations.empty());  // no tick after Stop

  QTest::mouseClick(form->Button2, Qt::LeftButton);
  EXPECT_EQ(form->Button2->text(), "Stop");
  EXPECT_TRUE(form->Timer1->Running());
  QTRY_VERIFY(!drawing.calculations.empty());
}

TEST_F(WindowTest, AFailingCalculationIsShownAndTheWindowGoesOn) {
  ShowStopped();
  testing::MessageBoxes boxes;
  form->SpinEditData->LineEdit()->selectAll();
  drawing.fail_with = "Canvas does not allow drawing";
  QTest::keyClicks(form->SpinEditData->LineEdit(), "3");
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].title, ApplicationTitle());
  EXPECT_EQ(boxes.seen[0].text, "Canvas does not allow drawing.");
  EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
  EXPECT_EQ(Label3(), "Label3");  // the failing handler's later steps did not run
  QTest::keyClicks(form->SpinEditData->LineEdit(), "0");
  EXPECT_EQ(Label3().toStdString(), ResultFor(IntCal20(), 30, 50));

  // A failure inside a tick ends the tick: no wrap to 500.
  form->SpinEditData->SetText("10000");
  drawing.fail_with = "Out of system resources";
  EXPECT_THROW(form->Timer1Timer(form->Timer1), std::runtime_error);
  EXPECT_EQ(form->SpinEditData->Text(), "10001");

  // From the running timer it is shown, and the sweep goes on.
  drawing.fail_with = "Out of system resources";
  drawing.calculations.clear();
  form->Button2->click();
  QTRY_VERIFY(drawing.calculations.size() >= 3);
  ASSERT_EQ(boxes.seen.size(), 2u);
  EXPECT_EQ(boxes.seen[1].text, "Out of system resources.");
}

TEST_F(WindowTest, ResizingMovesNothingAndASmallWindowScrolls) {
  ShowStopped();
  const QRect plot = form->Image1->geometry();
  form->resize(1200, 700);
  QTest::qWait(10);
  EXPECT_EQ(form->Image1->geometry(), plot);
  EXPECT_FALSE(form->horizontalScrollBar()->isVisible());
  form->resize(400, 200);
  QTest::qWait(10);
  EXPECT_EQ(form->Image1->geometry(), plot);
  EXPECT_TRUE(form->horizontalScrollBar()->isVisible());
  EXPECT_TRUE(form->verticalScrollBar()->isVisible());
  EXPECT_EQ(form->horizontalScrollBar()->maximum(), 785 - form->viewport()->width());
}

class ShCal20WindowTest : public WindowTest {
 protected:
  static const LoadedCurve& ShCal20() {
    static const LoadedCurve curve = ResolveCurve("shcal20").value();
    return curve;
  }
  ShCal20WindowTest() : WindowTest(ShCal20()) {}
};

TEST_F(ShCal20WindowTest, CaptionNamesTheCurveAndCalculationsUseIt) {
  EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Kalibracja 14C — SHCal20"));
  ShowStopped();
  form->SpinEditData->SetValue(2501);
  EXPECT_EQ(Label3().toStdString(), ResultFor(ShCal20(), 2501, 50));
  EXPECT_NE(ResultFor(ShCal20(), 2501, 50), ResultFor(IntCal20(), 2501, 50));
}

}  // namespace
}  // namespace kal::ui
