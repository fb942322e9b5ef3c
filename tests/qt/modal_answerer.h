// Answers the message boxes that the code under test raises modally: records
// each box's caption and text, optionally runs a check while it is open, and
// presses the chosen button.
#pragma once
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <functional>

class ModalAnswerer : public QObject {
 public:
  explicit ModalAnswerer(QMessageBox::StandardButton answer) : answer_(answer) {
    timer_.setInterval(2);
    connect(&timer_, &QTimer::timeout, this, [this] { poll(); });
    timer_.start();
  }
  void setAnswer(QMessageBox::StandardButton answer) { answer_ = answer; }
  // Runs while the box is open, before it is answered.
  void setWhileOpen(std::function<void()> check) { while_open_ = std::move(check); }

  QStringList texts;
  QStringList captions;

 private:
  void poll() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("answered").toBool()) return;
    box->setProperty("answered", true);
    texts << box->text();
    captions << box->windowTitle();
    if (while_open_) while_open_();
    if (QAbstractButton* button = box->button(answer_)) button->click();
  }

  QTimer timer_;
  QMessageBox::StandardButton answer_;
  std::function<void()> while_open_;
};
