#include "ui/error_display.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <stdexcept>

namespace kal::ui {

QString ApplicationTitle() {
  return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString ErrorBoxText(const QString& message) {
  if (!message.isEmpty() && message.back() > QChar(u'.')) return message + u'.';
  return message;
}

void ShowErrorBox(const QString& message) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(), ErrorBoxText(message),
                  QMessageBox::Ok);
  box.exec();
}

void ShowException(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    ShowErrorBox(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowErrorBox(QStringLiteral("Unknown error"));
  }
}

}  // namespace kal::ui
