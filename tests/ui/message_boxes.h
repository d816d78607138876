// Answers the modal message boxes a test provokes: each box that opens is
// recorded and closed with its OK button, so the code under test goes on.
#ifndef KAL_TESTS_UI_MESSAGE_BOXES_H_
#define KAL_TESTS_UI_MESSAGE_BOXES_H_

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <vector>

namespace kal::ui::testing {

struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QMessageBox::StandardButtons buttons;
};

class MessageBoxes {
 public:
  MessageBoxes() {
    poll_.setInterval(5);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      seen.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
      box->button(QMessageBox::Ok)->click();
    });
    poll_.start();
  }

  std::vector<SeenBox> seen;

 private:
  QTimer poll_;
};

}  // namespace kal::ui::testing

#endif  // KAL_TESTS_UI_MESSAGE_BOXES_H_
