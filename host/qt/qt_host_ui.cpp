#include "host/qt/qt_host_ui.h"

#include <QMessageBox>

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
