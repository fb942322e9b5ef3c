#include "host/qt/serial_monitor.h"

#include <QFontDatabase>

namespace {
constexpr int kDrawIntervalMs = 100;
}

SerialMonitor::SerialMonitor(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("Monitor"));
  setReadOnly(true);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setMaximumBlockCount(kMaxLines);
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  draw_timer_.setInterval(kDrawIntervalMs);
  connect(&draw_timer_, &QTimer::timeout, this, &SerialMonitor::drawPending);
  draw_timer_.start();
}

void SerialMonitor::add(bool sent, const QByteArray& bytes) {
  if (bytes.isEmpty()) return;
  (sent ? sent_ : received_) += bytes.size();
  pending_.push_back(Chunk{QTime::currentTime(), sent, bytes});
  pending_bytes_ += bytes.size();
}

QString SerialMonitor::formatLine(const QTime& time, bool sent, const QByteArray& bytes) {
  QString hex, text;
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    hex += QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    text += b >= 0x20 && b < 0x7F ? QChar(b) : QChar('.');
  }
  return time.toString(QStringLiteral("HH:mm:ss.zzz")) + (sent ? QStringLiteral(" TX ") : QStringLiteral(" RX ")) +
         hex.leftJustified(kBytesPerLine * 3) + QStringLiteral(" ") + text;
}

void SerialMonitor::drawPending() {
  if (pending_.empty()) return;
  // A flood shows its newest bytes only; the older ones are counted, not drawn.
  const qint64 budget = qint64(kMaxLinesPerDraw) * kBytesPerLine;
  qint64 left_out = 0;
  while (pending_bytes_ > budget) {
    Chunk& oldest = pending_.front();
    const qint64 drop = std::min<qint64>(oldest.bytes.size(), pending_bytes_ - budget);
    left_out += drop;
    pending_bytes_ -= drop;
    if (drop == oldest.bytes.size())
      pending_.pop_front();
    else
      oldest.bytes.remove(0, drop);
  }
  QStringList lines;
  if (left_out > 0) lines << QStringLiteral("... %1 bytes not shown").arg(left_out);
  for (const Chunk& chunk : pending_)
    for (qsizetype at = 0; at < chunk.bytes.size(); at += kBytesPerLine)
      lines << formatLine(chunk.time, chunk.sent, chunk.bytes.mid(at, kBytesPerLine));
  pending_.clear();
  pending_bytes_ = 0;
  appendPlainText(lines.join(QLatin1Char('\n')));
  emit countsChanged(received_, sent_);
}
