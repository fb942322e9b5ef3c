// Every window on the screen it opens on: a place saved on another screen or
// at another scale, a default place below the foot of a small screen, or a
// size larger than the screen's free area is brought within that area.
#pragma once
#include <QObject>
#include <QRect>

class QWidget;

// The frame moved (and shrunk, where it is larger) to lie within free.
QRect fit_on_screen(const QRect& frame, const QRect& free);
// Moves (and, when it may be resized, shrinks) a shown top-level window so
// that its frame lies on the screen under its centre (else its own screen).
void keep_on_screen(QWidget* window);

// Keeps each window it watches on the screen whenever it is shown.
class ScreenKeeper : public QObject {
 public:
  using QObject::QObject;
  void watch(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};
