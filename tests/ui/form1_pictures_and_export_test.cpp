// The window's pictures and export as a user meets them: what Image1 and
// Image2 put on screen after the timer's ticks, Ctrl+E, and the "do Schowka"
// button with and without a file name.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "data/curves.h"
#include "export/distribution_export.h"
#include "plot/distribution_pictures.h"
#include "ui/form1.h"
#include "ui/message_boxes.h"

namespace kal::ui {
namespace {

const LoadedCurve& IntCal20() {
  static const LoadedCurve curve = DefaultCurve();
  return curve;
}

// The export's view of the controls, recorded.
class RecordingExportWindow final : public ExportWindow {
 public:
  explicit RecordingExportWindow(std::string name = "") : name_(std::move(name)) {}
  std::string Edit1Text() override { return name_; }
  void ClearMemo1() override { lines.clear(); }
  void AppendToMemo1(std::string_view line) override { lines.emplace_back(line); }
  void CopyMemo1ToClipboard(std::string_view text) override { clipboard = text; }

  std::vector<std::string> lines;
  std::string clipboard;

 private:
  std::string name_;
};

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs with the current directory in a fresh temporary folder.
class InTemporaryDirectory {
 public:
  InTemporaryDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(folder_.path()); }
  ~InTemporaryDirectory() { QDir::setCurrent(previous_); }
  QString Path(const QString& name) const { return folder_.filePath(name); }

 private:
  QTemporaryDir folder_;
  QString previous_;
};

class WindowPicturesTest : public ::testing::Test {
 protected:
  // Shown with the timer stopped: the test gives each tick itself.
  WindowPicturesTest() : form(std::make_unique<TForm1>(IntCal20())) {
    form->Button2->click();
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }

  // One tick of the sweep, then whatever repainting it asked for.
  void Tick() {
    form->Timer1Timer(form->Timer1);
    QCoreApplication::processEvents();
  }

  // Plot over ruler as they stand on screen (the window's backing store,
  // not a fresh rendering), where Image1 and Image2 sit.
  QImage ShownPictures() const {
    return form->screen()
        ->grabWindow(form->winId(), 8, 104, kPictureWidth, kPlotHeight + kRulerHeight - 1)
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }

  // The same pictures drawn apart from the window for the window's inputs.
  static QImage ExpectedPictures(int32_t age, int32_t error) {
    CalibrationState state;
    state.CalCurve = &IntCal20().table;
    state.SampleAge = age;
    state.Sigma = error + 5;
    DistributionPictures pictures;
    Calibrate(state, &pictures);
    return ShownTogether(pictures.Plot(), pictures.Ruler());
  }

  std::unique_ptr<TForm1> form;
};

TEST_F(WindowPicturesTest, FirstTickShowsThePlotAndRulerOf2501And50) {
  EXPECT_FALSE(form->Pictures().HasPlot());
  Tick();
  ASSERT_EQ(form->SpinEditData->Text(), "2501");
  const QImage shown = ShownPictures();
  EXPECT_TRUE(shown == ExpectedPictures(2501, 50));
  // The long ticks of that ruler, seen under the plot's bottom row.
  for (int column = 88; column <= 688; column += 100) {
    EXPECT_EQ(shown.pixel(column, kPlotHeight), qRgb(0, 0, 0)) << column;
  }
}

TEST_F(WindowPicturesTest, EveryTickOfTheSweepIsShownExactly) {
  // Each tick repaints only what changed; the screen must still hold the
  // pictures of the tick's age, also where the ruler moves on.
  Tick();
  for (int32_t age = 2502; age <= 2560; ++age) {
    Tick();
    ASSERT_EQ(form->SpinEditData->Text(), QString::number(age));
    ASSERT_TRUE(ShownPictures() == ExpectedPictures(age, 50)) << "age " << age;
  }
}

TEST_F(WindowPicturesTest, CtrlEShowsAndHidesTheExportControls) {
  const std::vector<std::pair<QWidget*, QRect>> controls = {
      {form->ButtonEx, {704, 8, 73, 17}},
      {form->Edit1, {704, 32, 49, 21}},
      {form->Memo1, {600, 72, 177, 305}},
  };
  for (const auto& [control, geometry] : controls) EXPECT_FALSE(control->isVisible());

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
  for (const auto& [control, geometry] : controls) {
    EXPECT_TRUE(control->isVisible()) << control->metaObject()->className();
    EXPECT_EQ(control->geometry(), geometry) << control->metaObject()->className();
  }

  QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
  for (const auto& [control, geometry] : controls) EXPECT_FALSE(control->isVisible());
}

TEST_F(WindowPicturesTest, DoSchowkaListsTheDistributionInMemo1AndOnTheClipboard) {
  Tick();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
  QTest::mouseClick(form->ButtonEx, Qt::LeftButton);

  RecordingExportWindow expected;
  ASSERT_FALSE(ExportDistribution(form->State(), expected, SystemExportFiles()));
  const int32_t years = form->State().RangeLast - form->State().RangeFirst + 1;
  ASSERT_EQ(expected.lines.size(), static_cast<size_t>(years));

  std::vector<std::string> shown;
  for (const QString& line : form->Memo1->toPlainText().split(u'\n'))
    shown.push_back(line.toStdString());
  EXPECT_EQ(shown, expected.lines);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), expected.clipboard);
}

TEST_F(WindowPicturesTest, NamedExportWritesTheFileIntoTheCurrentDirectory) {
  Tick();
  InTemporaryDirectory here;
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
  form->Edit1->setText(QStringLiteral("próba 1"));
  QTest::mouseClick(form->ButtonEx, Qt::LeftButton);

  const QByteArray written = FileBytes(here.Path(QString::fromUtf8("Data próba 1.rsi")));
  const int32_t years = form->State().RangeLast - form->State().RangeFirst + 1;
  EXPECT_EQ(written.size(), 4 * (2 + years));

  // Byte for byte what the export library writes for the same state.
  InTemporaryDirectory elsewhere;
  RecordingExportWindow expected("próba 1");
  ASSERT_FALSE(ExportDistribution(form->State(), expected, SystemExportFiles()));
  EXPECT_EQ(written, FileBytes(elsewhere.Path(QString::fromUtf8("Data próba 1.rsi"))));
}

TEST_F(WindowPicturesTest, FailedExportShowsTheErrorAndLeavesTheClipboardAlone) {
  Tick();
  InTemporaryDirectory here;
  QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::ControlModifier);
  form->Edit1->setText(QStringLiteral("no such folder/x"));

  testing::MessageBoxes boxes;
  QTest::mouseClick(form->ButtonEx, Qt::LeftButton);
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].text, "Invalid filename.");
  EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "kept");
  EXPECT_TRUE(QDir(here.Path(".")).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace kal::ui
