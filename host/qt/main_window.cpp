#include "host/qt/main_window.h"

#include <QCloseEvent>
#include <QHelpEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "firmware/print/cutter.h"
#include "host/keys.h"
#include "host/mirror.h"
#include "host/qt/device_art.h"
#include "host/qt/device_controller.h"
#include "host/qt/device_layout.h"
#include "host/qt/key_map.h"
#include "widgets/rocker_switch.h"

namespace {
MainWindow* front_window = nullptr;  // the window the key logic brings forward
}

MainWindow::MainWindow(DeviceController* controller, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      controller_(controller) {
  setObjectName(QStringLiteral("MainFrm"));
  setWindowTitle(QStringLiteral("KLX80 Label Printer Demo"));
  setFixedSize(layout::kWindowWidth, layout::kWindowHeight);
  move(layout::kWindowLeft, layout::kWindowTop);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);

  cut_switch_ = new RockerSwitch(this);
  cut_switch_->setObjectName(QStringLiteral("CutSwitch"));
  cut_switch_->setGeometry(layout::kCutSwitch);
  cut_switch_->setOrientation(Qt::Vertical);
  cut_switch_->setPushButtonMode(true);
  cut_switch_->setText(QStringLiteral("Cut"));
  cut_switch_->setTextColour(QColor(0, 128, 0));
  cut_switch_->setLedColours(QColor(0, 255, 0), QColor(0, 128, 0));
  cut_switch_->setToolTip(QStringLiteral("Cut: ends the pause between labels"));
  // Any time, also while nothing waits for it: the engine's next cut pause sees it.
  connect(cut_switch_, &QAbstractButton::clicked, this, [] { cut_set_done(1); });

  if (controller_) {
    front_window = this;
    key_input::set_bring_to_front([] {
      if (front_window) front_window->bringToFront();
    });
    connect(controller_, &DeviceController::lcdChanged, this,
            [this] { update(QRect(layout::kLcdOrigin, QSize(MIRROR_WIDTH, MIRROR_HEIGHT + 10))); });
  }
}

MainWindow::~MainWindow() {
  if (front_window == this) {
    front_window = nullptr;
    key_input::set_bring_to_front(nullptr);
  }
}

void MainWindow::bringToFront() {
  if (isMinimized())
    showNormal();
  else if (!isVisible())
    show();
  if (!isActiveWindow()) {
    raise();
    activateWindow();
  }
}

void MainWindow::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setClipRegion(event->region());
  p.drawPixmap(0, 0, device_art::body_pixmap(devicePixelRatioF()));
  // The LCD mirror at double size, drawn dot for dot (no smoothing).
  QImage lcd(MIRROR_WIDTH, MIRROR_HEIGHT, QImage::Format_RGB32);
  const uint8_t* src = mirror_rgb();
  for (int y = 0; y < MIRROR_HEIGHT; ++y) {
    auto* line = reinterpret_cast<QRgb*>(lcd.scanLine(y));
    for (int x = 0; x < MIRROR_WIDTH; ++x, src += 3) line[x] = qRgb(src[0], src[1], src[2]);
  }
  p.drawImage(layout::kLcdOrigin, lcd);
  device_art::paint_lamps(p, mirror_lamps());
  if (controller_) controller_->noteFramePainted();
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (controller_ && !controller_->started()) controller_->start();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (controller_) controller_->close();
  event->accept();
  emit closed();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  const layout::Key* key = layout::key_at(event->position().toPoint());
  if (!key) {
    bringToFront();  // the device picture: nothing but to the front
    return;
  }
  if (key->tag == layout::kFuncTag) {
    func_pressed_ = event->button() == Qt::LeftButton;
    return;
  }
  key_input::key_picture_down(key->tag);  // any mouse button
  if (controller_) controller_->checkLcd();
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  // The Func picture acts on a click: press and release on it.
  if (!func_pressed_ || event->button() != Qt::LeftButton) return;
  func_pressed_ = false;
  const layout::Key* key = layout::key_at(event->position().toPoint());
  if (key && key->tag == layout::kFuncTag) {
    key_input::func_picture_click();
    if (controller_) controller_->checkLcd();
    bringToFront();
  }
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  const layout::Key* key = layout::key_at(event->position().toPoint());
  setCursor(key ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  key_input::key_down(key_map::virtual_key(*event));
  if (controller_) controller_->checkLcd();
  event->accept();
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  // X11 repeats a held key as release-and-press pairs; only the real release counts.
  if (event->isAutoRepeat()) return;
  key_input::key_up(key_map::virtual_key(*event));
  if (controller_) controller_->checkLcd();
  event->accept();
}

void MainWindow::focusOutEvent(QFocusEvent* event) {
  // Alt or Shift released in another window never reach us; forget them so a
  // later letter is not taken as a service command.
  key_input::reset();
  QWidget::focusOutEvent(event);
}

void MainWindow::contextMenuEvent(QContextMenuEvent* event) {
  // A right click on a key is that key (any button presses it); elsewhere on
  // the picture it opens the program's own menu.
  if (layout::key_at(event->pos())) return;
  QMenu menu(this);
  menu.addAction(QStringLiteral("Serial Comms..."), this, &MainWindow::serialCommsRequested);
  menu.exec(event->globalPos());
}

bool MainWindow::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const layout::Key* key = layout::key_at(help->pos());
    if (!key) {
      QToolTip::hideText();
      event->ignore();
      return true;
    }
    QString tip = key->legend + QStringLiteral(": PC key ") + key->pc_key;
    if (key->pc_key.startsWith(QStringLiteral("no PC key"))) tip = key->legend + QStringLiteral(": ") + key->pc_key;
    if (!key->shifted.isEmpty()) tip += QStringLiteral("\nFunc: ") + key->shifted;
    QToolTip::showText(help->globalPos(), tip, this, key->area);
    return true;
  }
  // Tab and Backtab belong to the device (they are unmapped keys), not to focus.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QWidget::event(event);
}
