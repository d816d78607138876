#include "ui/error_display.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "ui/message_boxes.h"

namespace kal::ui {
namespace {

TEST(ErrorDisplay, FullStopOnlyAfterACharacterThatSortsAfterIt) {
  const struct {
    const char* message;
    const char* shown;
  } cases[] = {
      {"File access denied", "File access denied."},
      {"I/O error 5", "I/O error 5."},
      {"Already stopped.", "Already stopped."},
      {"Stop!", "Stop!"},
      {"range -", "range -"},
      {"(see above)", "(see above)"},
      {"", ""},
      {"zażółć", "zażółć."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorBoxText(QString::fromUtf8(c.message)), QString::fromUtf8(c.shown)) << c.message;
  }
}

TEST(ErrorDisplay, TitleIsTheProgramFileName) { EXPECT_EQ(ApplicationTitle(), "kal_ui_tests"); }

TEST(ErrorDisplay, AnExceptionLeavingAHandlerIsShownInAStopBox) {
  testing::MessageBoxes boxes;
  bool after_throw = false;
  DispatchEvent([&] {
    throw std::runtime_error("Canvas does not allow drawing");
    after_throw = true;
  });
  EXPECT_FALSE(after_throw);
  ASSERT_EQ(boxes.seen.size(), 1u);
  EXPECT_EQ(boxes.seen[0].title, "kal_ui_tests");
  EXPECT_EQ(boxes.seen[0].text, "Canvas does not allow drawing.");
  EXPECT_EQ(boxes.seen[0].icon, QMessageBox::Critical);
  EXPECT_EQ(boxes.seen[0].buttons, QMessageBox::Ok);

  DispatchEvent([] {});
  EXPECT_EQ(boxes.seen.size(), 1u);
}

}  // namespace
}  // namespace kal::ui
