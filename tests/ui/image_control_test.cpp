#include "ui/image_control.h"

#include <gtest/gtest.h>

#include <QTest>
#include <vector>

namespace kal::ui {
namespace {

class ImageControlTest : public ::testing::Test {
 protected:
  ImageControlTest() {
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::green);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    window.resize(100, 60);
    image = new ImageControl(&window);
    image->setGeometry(10, 10, 40, 30);
    window.show();
  }

  QWidget window;
  ImageControl* image;
};

TEST_F(ImageControlTest, ShowsItsPictureAtTheTopLeftAndNothingBefore) {
  EXPECT_EQ(window.grab().toImage().pixel(20, 20), qRgb(0, 255, 0));

  QImage picture(20, 10, QImage::Format_RGB32);
  picture.fill(Qt::red);
  image->ShowPicture(&picture);
  QImage shown = window.grab().toImage();
  EXPECT_EQ(shown.pixel(10, 10), qRgb(255, 0, 0));
  EXPECT_EQ(shown.pixel(29, 19), qRgb(255, 0, 0));
  EXPECT_EQ(shown.pixel(30, 19), qRgb(0, 255, 0));  // beyond the picture: the window

  // Redrawn in place by its owner, shown again once marked.
  picture.fill(Qt::blue);
  image->PictureChanged();
  EXPECT_EQ(window.grab().toImage().pixel(10, 10), qRgb(0, 0, 255));

  image->SetAutoSize(true);
  EXPECT_EQ(image->geometry(), QRect(10, 10, 20, 10));
}

TEST_F(ImageControlTest, ReportsEveryPressWithItsPositionAndTakesNoFocus) {
  struct Press {
    Qt::MouseButton button;
    int x, y;
  };
  std::vector<Press> presses;
  image->SetOnMouseDown([&](Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
    presses.push_back({button, x, y});
  });
  QTest::mouseClick(image, Qt::LeftButton, {}, QPoint(3, 4));
  QTest::mouseClick(image, Qt::RightButton, Qt::ControlModifier, QPoint(39, 29));
  ASSERT_EQ(presses.size(), 2u);
  EXPECT_EQ(presses[0].button, Qt::LeftButton);
  EXPECT_EQ(presses[0].x, 3);
  EXPECT_EQ(presses[0].y, 4);
  EXPECT_EQ(presses[1].button, Qt::RightButton);
  EXPECT_EQ(presses[1].x, 39);
  EXPECT_EQ(image->focusPolicy(), Qt::NoFocus);
}

}  // namespace
}  // namespace kal::ui
