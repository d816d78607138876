// The pictures measure and draw text, which needs a QGuiApplication; without
// a platform given, the tests draw off screen.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdlib>

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QGuiApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
