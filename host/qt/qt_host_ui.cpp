#include "host/qt/qt_host_ui.h"

#include <QMessageBox>
#include <QTimer>

bool QtHostUi::ask_turn_off() {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Timeout"), QStringLiteral("Turn Off Device?"),
                  QMessageBox::Yes | QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

void QtHostUi::warn(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok);
  box.exec();
}

void QtHostUi::turn_off() {
  if (!device_window_) exit_now(0);
  QTimer::singleShot(0, device_window_.data(), [window = device_window_] {
    if (window) window->close();
  });
}
