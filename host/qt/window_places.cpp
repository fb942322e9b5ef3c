#include "host/qt/window_places.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWidget>

QRect fit_on_screen(const QRect& frame, const QRect& free) {
  const QSize size = frame.size().boundedTo(free.size());
  const int x = qBound(free.left(), frame.left(), free.right() + 1 - size.width());
  const int y = qBound(free.top(), frame.top(), free.bottom() + 1 - size.height());
  return QRect(QPoint(x, y), size);
}

void keep_on_screen(QWidget* window) {
  if (!window || !window->isWindow()) return;
  QRect frame = window->frameGeometry();
  // Not yet framed by the window manager: allow for a title bar and edges.
  const QMargins frame_edges = frame == window->geometry() ? QMargins(4, 30, 4, 4) : QMargins();
  frame = frame.marginsAdded(frame_edges);
  QScreen* screen = QGuiApplication::screenAt(frame.center());
  if (!screen) screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect fitted = fit_on_screen(frame, screen->availableGeometry());
  if (fitted.size() != frame.size() && window->minimumSize() != window->maximumSize())
    window->resize(window->size() - (frame.size() - fitted.size()));
  // A window's place is its frame's, framed or not yet.
  if (fitted.topLeft() != frame.topLeft()) window->move(fitted.topLeft());
}

void ScreenKeeper::watch(QWidget* window) { window->installEventFilter(this); }

bool ScreenKeeper::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show) {
    auto* window = static_cast<QWidget*>(watched);
    keep_on_screen(window);
    // Once the window manager has framed it, once more with the true frame.
    for (int ms : {0, 300}) QTimer::singleShot(ms, window, [window] { keep_on_screen(window); });
  }
  return QObject::eventFilter(watched, event);
}
