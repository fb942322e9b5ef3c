#include "host/qt/device_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImage>
#include <QtMath>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "host/seam/mirror.h"
#include "host/qt/device_art.h"
#include "host/qt/device_controller.h"
#include "host/qt/device_layout.h"
#include "host/qt/screenshot.h"
#include "host/qt/key_map.h"
#include "widgets/rocker_switch.h"

namespace {
const QString kTitle = QStringLiteral("KLX80 Label Printer Demo");
// The recording lamp, in the picture's free top left corner.
constexpr QRect kRecLamp{6, 6, 44, 16};
}  // namespace

QString DeviceWindow::programName() { return kTitle; }

DeviceWindow::DeviceWindow(DeviceController* controller, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      own_controller_(controller ? nullptr : DeviceController::idle()),
      controller_(controller ? controller : own_controller_.get()),
      live_(controller != nullptr) {
  setObjectName(QStringLiteral("MainFrm"));
  setWindowTitle(kTitle);
  move(layout::kWindowLeft, layout::kWindowTop);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);

  cut_switch_ = new RockerSwitch(this);
  cut_switch_->setObjectName(QStringLiteral("CutSwitch"));
  cut_switch_->setOrientation(Qt::Vertical);
  cut_switch_->setPushButtonMode(true);
  cut_switch_->setText(QStringLiteral("Cut"));
  cut_switch_->setTextColour(QColor(0, 128, 0));
  cut_switch_->setLedColours(QColor(0, 255, 0), QColor(0, 128, 0));
  cut_switch_->setToolTip(QStringLiteral("Cut: ends the pause between labels (PC key F5)"));
  // Any time, also while nothing waits for it: the engine's next cut pause sees it.
  connect(cut_switch_, &QAbstractButton::clicked, controller_, &DeviceController::pressCut);
  placeChildren();

  if (live_) {
    connect(controller_, &DeviceController::speedChanged, this, &DeviceWindow::updateTitle);
    connect(controller_, &DeviceController::pausedChanged, this, &DeviceWindow::updateTitle);
    connect(controller_, &DeviceController::recordingChanged, this, [this] {
      updateTitle();
      update(toWindow(kRecLamp));
    });
    connect(controller_, &DeviceController::frontRequested, this, &DeviceWindow::bringToFront);
    // The Cut switch lights while a pause between labels waits for it.
    connect(controller_, &DeviceController::ticked, this, [this] { cut_switch_->setLit(controller_->cutPauseWaiting()); });
    connect(controller_, &DeviceController::lcdChanged, this,
            [this] { update(toWindow(QRect(layout::kLcdOrigin, QSize(MIRROR_WIDTH, MIRROR_HEIGHT + 10)))); });
  }
}

DeviceWindow::~DeviceWindow() = default;

void DeviceWindow::updateTitle() {
  // Real time is the plain title; any other state says so.
  QStringList states;
  // An image other than the usual one is named (Open Flash Image...).
  if (live_) {
    const QString image = QFileInfo(controller_->imagePath()).fileName();
    if (!image.isEmpty() && image != QStringLiteral("fontData.hex")) states << image;
  }
  if (live_ && controller_->speed() != 1) states << DeviceController::speedName(controller_->speed());
  if (live_ && controller_->recording()) states << QStringLiteral("REC");
  if (live_ && controller_->paused()) states << QStringLiteral("PAUSED");
  states << extra_states_;
  if (read_only_) states << QStringLiteral("read-only");
  setWindowTitle(states.isEmpty() ? kTitle : kTitle + QStringLiteral(" - ") + states.join(QStringLiteral(", ")));
}

void DeviceWindow::setReadOnly(bool read_only) {
  read_only_ = read_only;
  updateTitle();
}

void DeviceWindow::setTitleStates(const QStringList& states) {
  extra_states_ = states;
  updateTitle();
}

int DeviceWindow::pictureTop() const { return menu_bar_ ? menu_bar_->sizeHint().height() : 0; }

void DeviceWindow::placeChildren() {
  const int top = pictureTop();
  const QSize picture(qCeil(layout::kWindowWidth * scale_), qCeil(layout::kWindowHeight * scale_));
  if (menu_bar_) menu_bar_->setGeometry(0, 0, picture.width(), top);
  cut_switch_->setGeometry(toWindow(layout::kCutSwitch));
  setFixedSize(picture.width(), picture.height() + top);
  update();
}

void DeviceWindow::setScale(qreal scale) {
  scale_ = qBound(0.5, scale, 4.0);
  placeChildren();
}

qreal DeviceWindow::fitScale() const {
  const QScreen* shown_on = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!shown_on) return 1;
  // The frame's own title bar and edges come off the free area too.
  const QRect free = shown_on->availableGeometry();
  // Before the window manager has framed the window, a title bar and edges are allowed for.
  const bool framed = frameGeometry() != geometry();
  const int frame_height = (framed ? frameGeometry().height() - height() : 34) + 2;
  const int frame_width = (framed ? frameGeometry().width() - width() : 8) + 2;
  const qreal by_height = qreal(free.height() - frame_height - pictureTop()) / layout::kWindowHeight;
  const qreal by_width = qreal(free.width() - frame_width) / layout::kWindowWidth;
  return qBound(0.5, qMin(by_height, by_width), 4.0);
}

void DeviceWindow::setMenuBar(QMenuBar* bar) {
  menu_bar_ = bar;
  bar->setParent(this);
  bar->show();
  placeChildren();
}

QPoint DeviceWindow::toPicture(QPointF window_pos) const {
  return QPointF(window_pos.x() / scale_, (window_pos.y() - pictureTop()) / scale_).toPoint();
}

QRect DeviceWindow::toWindow(const QRect& picture_rect) const {
  const QRectF r(picture_rect.x() * scale_, picture_rect.y() * scale_ + pictureTop(), picture_rect.width() * scale_,
                 picture_rect.height() * scale_);
  return r.toAlignedRect();
}

void DeviceWindow::bringToFront() {
  if (isMinimized())
    showNormal();
  else if (!isVisible())
    show();
  if (!isActiveWindow()) {
    raise();
    activateWindow();
  }
}

void DeviceWindow::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  p.setClipRegion(event->region());
  p.translate(0, pictureTop());
  p.scale(scale_, scale_);
  // Drawn for the screen's pixels at this scale, so it maps one to one.
  p.drawPixmap(0, 0, device_art::body_pixmap(devicePixelRatioF() * scale_));
  // The LCD mirror at double size, drawn dot for dot (no smoothing).
  p.drawImage(layout::kLcdOrigin, lcd_picture());  // scaled dot for dot: no smoothing
  device_art::paint_lamps(p, mirror_lamps());
  if (live_ && controller_->recording()) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 20, 20));
    p.drawEllipse(QRectF(kRecLamp.left() + 2, kRecLamp.top() + 3, 10, 10));
    p.setPen(QColor(230, 20, 20));
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    p.drawText(kRecLamp.adjusted(16, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("REC"));
    p.restore();
  }
  if (const layout::Key* key = pressed_tag_ >= 0 ? layout::key_with_tag(uint8_t(pressed_tag_)) : nullptr) {
    // A held key sinks: its cap darkened, its top edge shadowed.
    QRectF cap = device_art::keycap_rect(*key);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 0, 0, 120), 2));
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(cap.adjusted(1, 1, -1, -1), 4, 4);
  }
  if (live_) controller_->noteFramePainted();
}

void DeviceWindow::setPressedKey(int tag) {
  if (tag == pressed_tag_) return;
  for (int t : {pressed_tag_, tag})
    if (const layout::Key* key = t >= 0 ? layout::key_with_tag(uint8_t(t)) : nullptr)
      update(toWindow(key->area.adjusted(-2, -2, 2, 2)));
  pressed_tag_ = tag;
}

void DeviceWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (live_ && !controller_->started()) controller_->start();
}

void DeviceWindow::closeEvent(QCloseEvent* event) {
  // The title bar's close asks about a recording; a close from a signal or a
  // lost display (not spontaneous) cannot wait for an answer.
  if (event->spontaneous() && !mayCloseWhileRecording()) {
    event->ignore();
    return;
  }
  if (live_) controller_->close();
  event->accept();
  emit closed();
}

void DeviceWindow::mousePressEvent(QMouseEvent* event) {
  const layout::Key* key = layout::key_at(toPicture(event->position()));
  if (!key) {
    bringToFront();  // the device picture: nothing but to the front
    return;
  }
  setPressedKey(key->tag);
  if (key->tag == layout::kFuncTag) {
    func_pressed_ = event->button() == Qt::LeftButton;
    return;
  }
  controller_->pressKeyPicture(key->tag);  // any mouse button
}

void DeviceWindow::mouseReleaseEvent(QMouseEvent* event) {
  setPressedKey(-1);
  // The Func picture acts on a click: press and release on it.
  if (!func_pressed_ || event->button() != Qt::LeftButton) return;
  func_pressed_ = false;
  const layout::Key* key = layout::key_at(toPicture(event->position()));
  if (key && key->tag == layout::kFuncTag) {
    controller_->clickFunc();
    bringToFront();
  }
}

void DeviceWindow::mouseMoveEvent(QMouseEvent* event) {
  const layout::Key* key = layout::key_at(toPicture(event->position()));
  setCursor(key ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void DeviceWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F5 && !event->isAutoRepeat()) cut_switch_->animateClick();  // shown pressed, then clicked
  const uint16_t vk = key_map::virtual_key(*event);
  controller_->keyDown(vk);
  if (uint8_t code = DeviceController::deviceKeyFor(vk)) setPressedKey(code);
  event->accept();
}

void DeviceWindow::keyReleaseEvent(QKeyEvent* event) {
  // X11 repeats a held key as release-and-press pairs; only the real release counts.
  if (event->isAutoRepeat()) return;
  if (event->key() == Qt::Key_Tab) {
    if (live_) controller_->setFastForward(false);
    return;
  }
  const uint16_t vk = key_map::virtual_key(*event);
  controller_->keyUp(vk);
  if (DeviceController::deviceKeyFor(vk) == pressed_tag_) setPressedKey(-1);
  event->accept();
}

void DeviceWindow::focusOutEvent(QFocusEvent* event) {
  // Alt or Shift released in another window never reach us: a later letter
  // must not be taken as a service command nor in the Func layer.
  controller_->forgetModifiers();
  if (live_) controller_->setFastForward(false);  // its release never comes here
  setPressedKey(-1);
  QWidget::focusOutEvent(event);
}

void DeviceWindow::contextMenuEvent(QContextMenuEvent* event) {
  // A right click on a key is that key (any button presses it); elsewhere on
  // the picture it opens the program's own menu.
  if (layout::key_at(toPicture(event->pos()))) return;
  QMenu menu(this);
  if (menu_bar_) {
    for (QAction* a : menu_bar_->actions()) menu.addAction(a);  // the menu bar's menus
    menu.exec(event->globalPos());
    return;
  }
  menu.addAction(QStringLiteral("Serial Comms..."), this, &DeviceWindow::serialCommsRequested);
  menu.addSeparator();
  addRecordingActions(menu);
  menu.exec(event->globalPos());
}

void DeviceWindow::addRecordingActions(QMenu& menu) {
  QAction* record = menu.addAction(QStringLiteral("Record Key Script"), this, [this] {
    if (!controller_->startRecording())
      QMessageBox::warning(this, windowTitle(), QStringLiteral("The device is not running; nothing is recorded."));
  });
  record->setEnabled(live_ && !controller_->recording());
  QAction* stop = menu.addAction(QStringLiteral("Stop Recording..."), this, &DeviceWindow::stopRecording);
  stop->setEnabled(controller_->recording());
}

void DeviceWindow::stopRecording() {
  const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save Key Script"),
                                                    QStringLiteral("recording.txt"),
                                                    QStringLiteral("Key scripts (*.txt);;All files (*)"));
  if (path.isEmpty()) return;  // still recording
  std::string error;
  if (!controller_->stopRecording(path.toStdString(), error))
    QMessageBox::warning(this, windowTitle(), QString::fromStdString(error));
}

bool DeviceWindow::mayCloseWhileRecording() {
  if (!live_ || !controller_->recording()) return true;
  QMessageBox box(QMessageBox::Question, windowTitle(),
                  QStringLiteral("A key script is being recorded. Save it before quitting?"),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
  box.setDefaultButton(QMessageBox::Save);
  switch (box.exec()) {
    case QMessageBox::Save:
      stopRecording();
      return !controller_->recording();  // a cancelled file dialog keeps the program
    case QMessageBox::Discard:
      return true;
    default:
      return false;
  }
}

void DeviceWindow::addSpeedMenu(QMenu& menu) {
  QMenu* speed = menu.addMenu(QStringLiteral("&Speed"));
  speed->setObjectName(QStringLiteral("SpeedMenu"));
  auto* group = new QActionGroup(speed);
  for (uint32_t factor : {1u, 4u, 16u, DeviceController::kFastest}) {
    // The speed's name with an underlined letter: 1x, 4x, 16x, As fast as possible.
    QString name = DeviceController::speedName(factor);
    name[0] = name[0].toUpper();
    name.insert(factor == 16 ? 1 : 0, QLatin1Char('&'));
    QAction* action = speed->addAction(name);
    action->setCheckable(true);
    action->setChecked(controller_->speed() == factor);
    group->addAction(action);
    connect(action, &QAction::triggered, controller_, [c = controller_, factor] { c->setSpeed(factor); });
    // A speed chosen elsewhere (--speed, fast-forward) shows checked here.
    connect(controller_, &DeviceController::speedChanged, action, [action, factor](uint32_t now) {
      if (now == factor) action->setChecked(true);
    });
  }
}

bool DeviceWindow::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const layout::Key* key = layout::key_at(toPicture(help->pos()));
    if (!key) {
      QToolTip::hideText();
      event->ignore();
      return true;
    }
    QString tip = key->legend + QStringLiteral(": PC key ") + key->pc_key;
    if (key->pc_key.startsWith(QStringLiteral("no PC key"))) tip = key->legend + QStringLiteral(": ") + key->pc_key;
    if (!key->shifted.isEmpty()) tip += QStringLiteral("\nFunc: ") + key->shifted;
    QToolTip::showText(help->globalPos(), tip, this, toWindow(key->area));
    return true;
  }
  // Tab and Backtab belong to the device (they are unmapped keys), not to focus.
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab) {
      // Held, Tab runs the device as fast as it goes (the fast-forward key).
      if (!key->isAutoRepeat() && live_) controller_->setFastForward(true);
      return true;
    }
    if (key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QWidget::event(event);
}
