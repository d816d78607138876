#include "ui/spin_edit.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QLocale>
#include <QTest>
#include <stdexcept>

namespace kal::ui {
namespace {

// An age box as the window has it, with a second box to move the focus to.
class SpinEditTest : public ::testing::Test {
 protected:
  SpinEditTest() {
    window.resize(300, 100);
    age = new SpinEdit(10, 45000, 2500, &window);
    age->setGeometry(10, 10, 97, 37);
    other = new SpinEdit(10, 1000, 50, &window);
    other->setGeometry(150, 10, 61, 37);
    age->SetOnChange([this] { changes.push_back(age->Text()); });
  }

  void Show() {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  }

  QWidget window;
  SpinEdit* age;
  SpinEdit* other;
  QStringList changes;
};

TEST_F(SpinEditTest, ValueReadsTheTextOrTheMinimum) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {
      {"2500", 2500},
      {"  42", 42},
      {"+7", 7},
      {"-3", -3},
      {"50000", 50000},
      {"", 10},
      {"abc", 10},
      {"12a", 10},
      {"$1F", 31},
      {"0x10", 16},
      {"x10", 16},
      {"5,", 10},
      {"2147483647", 2147483647},
      {"2147483648", 10},
  };
  for (const auto& c : cases) {
    age->SetText(c.text);
    EXPECT_EQ(age->Value(), c.value) << c.text;
  }
}

TEST_F(SpinEditTest, SetValueLimitsToTheRangeAndWritesPlainDecimal) {
  const struct {
    int64_t value;
    const char* text;
  } cases[] = {{5, "10"},
               {10, "10"},
               {2501, "2501"},
               {45000, "45000"},
               {45001, "45000"},
               {-7, "10"},
               {int64_t{1} << 40, "45000"}};
  for (const auto& c : cases) {
    age->SetValue(c.value);
    EXPECT_EQ(age->Text(), c.text) << c.value;
  }
}

TEST_F(SpinEditTest, OneChangeEventPerActualChange) {
  age->SetText("2500");  // the text it has
  age->SetValue(2500);
  EXPECT_TRUE(changes.isEmpty());
  age->SetValue(2501);
  age->SetText("+2501");
  age->SetValue(2501);
  EXPECT_EQ(changes, QStringList({"2501", "+2501", "2501"}));
}

TEST_F(SpinEditTest, AnExceptionFromTheHandlerLeavesThroughTheSetter) {
  age->SetOnChange([] { throw std::runtime_error("no"); });
  EXPECT_THROW(age->SetValue(3000), std::runtime_error);
  EXPECT_EQ(age->Text(), "3000");
  EXPECT_NO_THROW(age->SetValue(3000));  // no change, no handler
}

TEST_F(SpinEditTest, TypedCharactersAreFiltered) {
  Show();
  QLineEdit* field = age->LineEdit();
  field->setFocus();
  const struct {
    const char* locale;
    const char* typed;
    const char* text;
  } cases[] = {
      {"C", "12+-", "12+-"},
      {"C", "1a2 b3", "123"},
      {"C", "4.5,6", "4.56"},
      {"pl_PL", "4.5,6", "45,6"},
  };
  for (const auto& c : cases) {
    QLocale::setDefault(QLocale(c.locale));
    field->clear();
    QTest::keyClicks(field, c.typed);
    EXPECT_EQ(age->Text(), c.text) << c.typed << " in " << c.locale;
  }
  QLocale::setDefault(QLocale::c());

  age->SetText("77");
  field->end(false);
  QTest::keyClick(field, Qt::Key_Return);
  QTest::keyClick(field, Qt::Key_Enter);
  EXPECT_EQ(age->Text(), "77");
  QTest::keyClick(field, Qt::Key_Backspace);
  EXPECT_EQ(age->Text(), "7");
}

TEST_F(SpinEditTest, PasteIsNotFiltered) {
  Show();
  QGuiApplication::clipboard()->setText("ab 1");
  age->LineEdit()->setFocus();
  age->LineEdit()->selectAll();
  QTest::keyClick(age->LineEdit(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(age->Text(), "ab 1");
  EXPECT_EQ(changes.back(), "ab 1");
}

TEST_F(SpinEditTest, UpAndDownKeysStepThroughValue) {
  Show();
  age->LineEdit()->setFocus();
  QTest::keyClick(age->LineEdit(), Qt::Key_Up);
  EXPECT_EQ(age->Text(), "2501");
  QTest::keyClick(age->LineEdit(), Qt::Key_Down);
  QTest::keyClick(age->LineEdit(), Qt::Key_Down);
  EXPECT_EQ(age->Text(), "2499");
  age->SetText("");
  QTest::keyClick(age->LineEdit(), Qt::Key_Up);
  EXPECT_EQ(age->Text(), "11");
  age->SetText("45000");
  changes.clear();
  QTest::keyClick(age->LineEdit(), Qt::Key_Up);
  EXPECT_EQ(age->Text(), "45000");
  EXPECT_TRUE(changes.isEmpty());
}

TEST_F(SpinEditTest, ButtonsStepWhenReleasedOverThem) {
  Show();
  const QPoint up = age->UpButtonRect().center();
  const QPoint down = age->DownButtonRect().center();
  QTest::mousePress(age, Qt::LeftButton, {}, up);
  EXPECT_EQ(age->Text(), "2500");
  QTest::mouseRelease(age, Qt::LeftButton, {}, up);
  EXPECT_EQ(age->Text(), "2501");
  QTest::mouseClick(age, Qt::LeftButton, {}, down);
  QTest::mouseClick(age, Qt::LeftButton, {}, down);
  EXPECT_EQ(age->Text(), "2499");

  // Released away from the button: no step.
  QTest::mousePress(age, Qt::LeftButton, {}, up);
  QTest::mouseRelease(age, Qt::LeftButton, {}, QPoint(5, 5));
  // Other mouse buttons do not step.
  QTest::mouseClick(age, Qt::RightButton, {}, up);
  EXPECT_EQ(age->Text(), "2499");
  // A click on the button gives the field the focus.
  EXPECT_TRUE(age->LineEdit()->hasFocus());

  age->SetText("");
  QTest::mouseClick(age, Qt::LeftButton, {}, up);
  EXPECT_EQ(age->Text(), "11");
}

TEST_F(SpinEditTest, AHeldButtonRepeatsAfterAPause) {
  Show();
  const QPoint up = age->UpButtonRect().center();
  QTest::mousePress(age, Qt::LeftButton, {}, up);
  QTest::qWait(250);
  EXPECT_EQ(age->Text(), "2500");  // not before 400 ms
  QTRY_VERIFY_WITH_TIMEOUT(age->Value() >= 2502, 3000);
  const int32_t held = age->Value();
  QTest::mouseRelease(age, Qt::LeftButton, {}, up);
  EXPECT_EQ(age->Value(), held + 1);
  QTest::qWait(250);
  EXPECT_EQ(age->Value(), held + 1);  // the repeat ends with the release
}

TEST_F(SpinEditTest, KeyboardFocusSelectsAllAndAClickPlacesTheCaret) {
  Show();
  other->LineEdit()->setFocus();
  QTest::keyClick(other->LineEdit(), Qt::Key_Backtab);
  ASSERT_TRUE(age->LineEdit()->hasFocus());
  EXPECT_EQ(age->LineEdit()->selectedText(), "2500");

  other->LineEdit()->setFocus(Qt::OtherFocusReason);
  EXPECT_EQ(other->LineEdit()->selectedText(), "50");
  QTest::mouseClick(age->LineEdit(), Qt::LeftButton, {}, QPoint(5, 10));
  ASSERT_TRUE(age->LineEdit()->hasFocus());
  EXPECT_FALSE(age->LineEdit()->hasSelectedText());
}

TEST_F(SpinEditTest, LeavingTheFocusCorrectsAnIntegerOutsideTheRange) {
  Show();
  const struct {
    const char* text;
    const char* after;
  } cases[] = {{"50000", "45000"}, {"5", "10"},          {"-7", "10"},
               {"abc", "abc"},     {"+45000", "+45000"}, {"2147483648", "2147483648"},
               {"$FFFF", "45000"}};
  for (const auto& c : cases) {
    age->LineEdit()->setFocus();
    age->SetText(c.text);
    changes.clear();
    other->LineEdit()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(age->Text(), c.after) << c.text;
    EXPECT_EQ(changes.size(), QString(c.text) == c.after ? 0 : 1) << c.text;
  }
}

}  // namespace
}  // namespace kal::ui

namespace kal::ui {
namespace {

// The text field paints its whole rectangle, so the box's frame is not
// painted behind it: the box looks the same as when the frame is painted
// first, with and without the focus, with a selection and disabled.
TEST_F(SpinEditTest, TextFieldCoversTheBoxBehindIt) {
  Show();
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(24);
  age->setFont(font);
  const auto looks = [this] {
    QImage covered = age->grab().toImage();
    age->LineEdit()->setAttribute(Qt::WA_OpaquePaintEvent, false);
    QImage painted_behind = age->grab().toImage();
    age->LineEdit()->setAttribute(Qt::WA_OpaquePaintEvent, true);
    return covered == painted_behind;
  };
  EXPECT_TRUE(looks()) << "without focus";
  age->LineEdit()->setFocus(Qt::TabFocusReason);
  EXPECT_TRUE(looks()) << "with focus and the text selected";
  age->LineEdit()->deselect();
  EXPECT_TRUE(looks()) << "with the caret";
  age->setEnabled(false);
  EXPECT_TRUE(looks()) << "disabled";
}

}  // namespace
}  // namespace kal::ui
