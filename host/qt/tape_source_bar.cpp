#include "host/qt/tape_source_bar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "host/files/device_text.h"
#include "host/seam/tape_history.h"

TapeSourceBar::TapeSourceBar(QWidget* parent) : QWidget(parent) {
  earlier_ = new QToolButton(this);
  earlier_->setObjectName(QStringLiteral("EarlierLabel"));
  earlier_->setArrowType(Qt::LeftArrow);
  earlier_->setToolTip(tr("Earlier label"));
  later_ = new QToolButton(this);
  later_->setObjectName(QStringLiteral("LaterLabel"));
  later_->setArrowType(Qt::RightArrow);
  later_->setToolTip(tr("Later label"));
  source_box_ = new QComboBox(this);
  source_box_->setObjectName(QStringLiteral("TapeSource"));
  source_box_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  source_box_->setMinimumContentsLength(14);
  zoom_box_ = new QComboBox(this);
  zoom_box_->setObjectName(QStringLiteral("TapeZoom"));
  zoom_box_->addItems({tr("1x"), tr("2x"), tr("4x"), tr("Fit Label"), tr("Real Size")});
  zoom_box_->setToolTip(tr("Zoom: dots at 1, 2 or 4 pixels, the label fitted to the window, or the tape at its real "
                           "size with a millimetre ruler"));
  save_ = new QToolButton(this);
  save_->setText(tr("Save"));
  save_->setPopupMode(QToolButton::InstantPopup);
  save_menu_ = new QMenu(save_);
  save_->setMenu(save_menu_);
  info_ = new QLabel(this);
  info_->setObjectName(QStringLiteral("HistoryInfo"));
  QFont small = info_->font();
  // The program's font is set in pixels; its point size then reads -1.
  if (small.pixelSize() > 0)
    small.setPixelSize(qMax(1, qRound(small.pixelSize() * 0.85)));
  else
    small.setPointSizeF(small.pointSizeF() * 0.85);
  info_->setFont(small);
  // A click leaves the keyboard with the device; Tab still reaches them.
  for (QWidget* w : std::initializer_list<QWidget*>{earlier_, later_, source_box_, zoom_box_, save_})
    w->setFocusPolicy(Qt::TabFocus);

  // One row, so that the window stays clear of the media panel below it.
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(2, 1, 4, 1);
  row->setSpacing(3);
  row->addWidget(earlier_);
  row->addWidget(source_box_, 1);
  row->addWidget(later_);
  row->addWidget(zoom_box_);
  row->addWidget(save_);
  row->addWidget(info_);

  connect(earlier_, &QToolButton::clicked, this, &TapeSourceBar::stepEarlier);
  connect(later_, &QToolButton::clicked, this, &TapeSourceBar::stepLater);
  connect(source_box_, &QComboBox::currentIndexChanged, this, [this] {
    updateButtons();
    emit sourceChanged();
  });
  connect(zoom_box_, &QComboBox::currentIndexChanged, this, [this] { emit zoomChanged(); });
  refresh();
}

QString TapeSourceBar::historyText() const {
  const size_t kept = tape_history_count();
  QString text = tr("The history %1; it holds %2 %3")
                     .arg(QString::fromStdString(tape_history_bound_text()))
                     .arg(kept)
                     .arg(kept == 1 ? tr("label") : tr("labels"));
  if (uint64_t dropped = tape_history_dropped()) text += tr(", %1 older no longer kept").arg(dropped);
  return text + QLatin1Char('.');
}

void TapeSourceBar::refresh() {
  const uint64_t generation = tape_history_generation();
  if (generation == generation_seen_) return;
  generation_seen_ = generation;
  const int64_t chosen = source();
  QSignalBlocker block(source_box_);
  source_box_->clear();
  source_box_->addItem(tr("Current tape"), qlonglong(kCurrentTape));
  std::vector<TapeLabel> labels = tape_history_labels(false);
  source_box_->addItem(tr("Whole history (%1 %2)").arg(labels.size()).arg(labels.size() == 1 ? tr("label") : tr("labels")),
                       qlonglong(kWholeHistory));
  for (auto it = labels.rbegin(); it != labels.rend(); ++it) {
    // Each label by its text first: that is how the user knows it again.
    QStringList lines;
    std::vector<uint16_t> line;
    for (size_t i = 0; i <= it->text.size(); ++i) {
      if (i < it->text.size() && it->text[i] != 0) {
        line.push_back(it->text[i]);
        continue;
      }
      lines << QString::fromStdString(device_codes_to_utf8(line));
      line.clear();
    }
    QString text = lines.join(QStringLiteral(" / ")).simplified();
    if (text.size() > 24) text = text.left(23) + QStringLiteral("\u2026");
    source_box_->addItem(tr("Label %1 \u00b7 %2%3 \u00b7 %4 mm")
                             .arg(it->number)
                             .arg(text.isEmpty() ? QString() : QStringLiteral("\u201c%1\u201d \u00b7 ").arg(text))
                             .arg(QString::fromStdString(tape_label_type_name(it->label_type)))
                             .arg(it->length_mm(), 0, 'f', 1),
                         qlonglong(it->number));
  }
  int index = source_box_->findData(qlonglong(chosen));
  const bool lost = index < 0;
  source_box_->setCurrentIndex(lost ? 0 : index);
  showInfo();
  updateButtons();
  block.unblock();
  if (lost) emit sourceChanged();  // the label shown has left the history
}

int64_t TapeSourceBar::source() const {
  return source_box_->count() ? int64_t(source_box_->currentData().toLongLong()) : kCurrentTape;
}

void TapeSourceBar::setSource(int64_t source) {
  int index = source_box_->findData(qlonglong(source));
  if (index >= 0) source_box_->setCurrentIndex(index);
}

bool TapeSourceBar::stepEarlier() {
  const int index = source_box_->currentIndex();
  int next = index + 1;
  if (index == 0) {
    // From the current tape to the newest label printed before it.
    const uint64_t tape = tape_history_current_tape();
    TapeLabel label;
    next = 2;
    for (size_t i = tape_history_count(); i-- > 0 && tape_history_label(i, label, false) && label.tape == tape;) ++next;
  }
  if (next >= source_box_->count() || next < 2) return false;
  source_box_->setCurrentIndex(next);
  return true;
}

bool TapeSourceBar::stepLater() {
  const int index = source_box_->currentIndex();
  if (index < 2) return false;
  source_box_->setCurrentIndex(index == 2 ? 0 : index - 1);
  return true;
}

TapeSourceBar::Zoom TapeSourceBar::zoom() const { return Zoom(std::max(0, zoom_box_->currentIndex())); }

void TapeSourceBar::setZoom(Zoom zoom) { zoom_box_->setCurrentIndex(int(zoom)); }

void TapeSourceBar::updateButtons() {
  const int index = source_box_->currentIndex();
  earlier_->setEnabled(index != 1 && source_box_->count() > 2 && index + 1 < source_box_->count());
  later_->setEnabled(index >= 2);
}

void TapeSourceBar::setNotice(const QString& notice) {
  notice_ = notice;
  showInfo();
}

void TapeSourceBar::showInfo() {
  info_->setText(notice_.isEmpty() ? tr("%1/%2 kept").arg(tape_history_count()).arg(TAPE_HISTORY_MAX_LABELS) : notice_);
  info_->setToolTip(historyText());
  source_box_->setToolTip(historyText());
}
