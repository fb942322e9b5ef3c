#include "host/qt/qt_host_ui.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "host/qt/signal_close.h"

QtHostUi::QtHostUi(qint64 wall_idle_ms) : wall_idle_ms_(wall_idle_ms) {
  since_input_.start();
  if (wall_idle_ms_ > 0 && qApp) qApp->installEventFilter(this);
}

bool QtHostUi::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
      since_input_.restart();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

bool QtHostUi::ask_turn_off() {
  if (closing_unattended()) return false;
  if (wall_idle_ms_ > 0 && since_input_.elapsed() < wall_idle_ms_) return false;
  QMessageBox box(QMessageBox::Question, QStringLiteral("Timeout"), QStringLiteral("Turn Off Device?"),
                  QMessageBox::Yes | QMessageBox::No);
  box.setDefaultButton(QMessageBox::No);  // Return typed as the box opens must not end the program
  const bool yes = box.exec() == QMessageBox::Yes;
  since_input_.restart();
  return yes;
}

void QtHostUi::warn(const std::string& text, const std::string& caption) {
  // Closing on a signal or without a display: no box that no one would answer.
  if (closing_unattended()) {
    std::fprintf(stderr, "klx80: %s: %s\n", caption.c_str(), text.c_str());
    return;
  }
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
