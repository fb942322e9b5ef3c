#include "host/qt/animation_recorder.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QWidget>

#include "anim/animation_file.h"
#include "host/qt/animation_art.h"

namespace {
constexpr int kSampleMs = 40;
constexpr int kGap = 8;
}  // namespace

AnimationRecorder::AnimationRecorder(QWidget* device_window, QWidget* tape_window, QObject* parent)
    : QObject(parent), device_(device_window), tape_(tape_window) {
  timer_.setInterval(kSampleMs);
  connect(&timer_, &QTimer::timeout, this, &AnimationRecorder::sample);
}

AnimationRecorder::~AnimationRecorder() {
  // What was recorded is kept; the windows may be going already, so no new frame.
  QString ignored;
  if (recording()) finish(ignored);
}

void AnimationRecorder::addActions(QMenu& menu) {
  QAction* record = menu.addAction(QStringLiteral("Record &Animation..."), this, &AnimationRecorder::askStart);
  QAction* stop = menu.addAction(QStringLiteral("Stop A&nimation"), this, &AnimationRecorder::stopAndTell);
  stop->setEnabled(false);
  connect(&menu, &QMenu::aboutToShow, this, [this, record, stop] {
    record->setEnabled(!recording());
    stop->setEnabled(recording());
  });
}

// The device window, and the tape window to its right when it is recorded.
QImage AnimationRecorder::picture() const {
  QImage frame(size_, QImage::Format_RGB888);
  frame.fill(QColor(236, 236, 236));
  QPainter p(&frame);
  for (QWidget* w : {device_.data(), with_tape_ ? tape_.data() : nullptr}) {
    if (!w || !w->isVisible()) continue;
    const QImage shot = w->grab().toImage();
    // A window that changed its size since the start is fitted to its place.
    const QSize place = w == device_ ? device_size_ : size_ - QSize(device_size_.width() + kGap, 0);
    const int at = w == device_ ? 0 : device_size_.width() + kGap;
    if (shot.size() == place)
      p.drawImage(at, 0, shot);
    else
      p.drawImage(QRect(QPoint(at, 0), shot.size().scaled(place, Qt::KeepAspectRatio)), shot);
  }
  return frame;
}

bool AnimationRecorder::start(const QString& path, QString& error) {
  if (recording() || !device_) {
    error = QStringLiteral("An animation is already being recorded.");
    return false;
  }
  with_tape_ = tape_ && tape_->isVisible();
  const QSize device = device_->grab().size();
  const QSize tape = with_tape_ ? tape_->grab().size() : QSize();
  device_size_ = device;
  size_ = with_tape_ ? QSize(device.width() + kGap + tape.width(), qMax(device.height(), tape.height())) : device;
  std::string why;
  file_ = animation_open(path.toStdString(), size_.width(), size_.height(), why);
  if (!file_) {
    error = QString::fromStdString(why);
    return false;
  }
  path_ = path;
  picture_from_image(picture(), pending_);
  clock_.start();
  pending_since_ = 0;
  timer_.start();
  return true;
}

void AnimationRecorder::sample() {
  if (!recording()) return;
  const qint64 now = clock_.elapsed() / 10;
  if (now - pending_since_ < 2) return;  // 20 ms: the shortest frame players keep
  AnimationPicture next;
  picture_from_image(picture(), next);
  if (next.rgb == pending_.rgb) return;
  std::string why;
  if (!file_->add(pending_.rgb.data(), uint32_t(now - pending_since_), why)) {
    timer_.stop();
    file_.reset();
    QMessageBox::warning(device_, QStringLiteral("Record Animation"), QString::fromStdString(why));
    return;
  }
  pending_ = std::move(next);
  pending_since_ = now;
}

bool AnimationRecorder::stop(QString& error) {
  if (!recording()) return true;
  sample();
  return finish(error);
}

bool AnimationRecorder::finish(QString& error) {
  timer_.stop();
  std::unique_ptr<AnimationFile> file = std::move(file_);
  if (!file) return false;  // the last frame failed and said so
  std::string why;
  // The end stays a second before the loop.
  const qint64 held = std::max<qint64>(2, clock_.elapsed() / 10 - pending_since_) + 100;
  if (!file->add(pending_.rgb.data(), uint32_t(held), why) || !file->finish(why)) {
    error = QString::fromStdString(why);
    return false;
  }
  return true;
}

void AnimationRecorder::askStart() {
  const QString path = QFileDialog::getSaveFileName(
      device_, QStringLiteral("Record Animation"), QStringLiteral("animation.gif"),
      QStringLiteral("Animations (*.gif *.webm *.mp4);;GIF (*.gif);;WebM video (*.webm);;MP4 video (*.mp4)"));
  if (path.isEmpty()) return;
  QString error;
  if (!start(path, error)) QMessageBox::warning(device_, QStringLiteral("Record Animation"), error);
}

void AnimationRecorder::stopAndTell() {
  QString error;
  if (!stop(error) && !error.isEmpty()) QMessageBox::warning(device_, QStringLiteral("Record Animation"), error);
}
