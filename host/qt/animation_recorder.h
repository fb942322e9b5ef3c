// File > Record Animation... / Stop Animation: the device window's picture
// (with the Print Output window's beside it when that shows at the start)
// taken as it changes and written as a GIF, WebM or MP4, each frame held for
// the time it stayed on the screen.
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QImage>
#include <QPointer>
#include <QSize>
#include <QTimer>
#include <memory>

#include "anim/animation_capture.h"

class AnimationFile;
class QMenu;
class QWidget;

class AnimationRecorder : public QObject {
  Q_OBJECT
 public:
  AnimationRecorder(QWidget* device_window, QWidget* tape_window, QObject* parent = nullptr);
  ~AnimationRecorder() override;

  // The two menu entries, enabled as recording allows.
  void addActions(QMenu& menu);
  bool recording() const { return file_ != nullptr; }
  // The work of the entries without their dialogs (also for tests).
  bool start(const QString& path, QString& error);
  bool stop(QString& error);
  // Takes a frame now if the picture changed (the timer does it 25 times a second).
  void sample();

 private:
  QImage picture() const;
  // The last frame held a second more, and the file written.
  bool finish(QString& error);
  void askStart();
  void stopAndTell();

  QPointer<QWidget> device_, tape_;
  bool with_tape_ = false;
  QSize size_, device_size_;
  QTimer timer_;
  QElapsedTimer clock_;
  std::unique_ptr<AnimationFile> file_;
  AnimationPicture pending_;
  qint64 pending_since_ = 0;  // centiseconds since the start
  QString path_;
};
