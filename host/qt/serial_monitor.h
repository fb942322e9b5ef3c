// The serial window's monitor: every byte received and sent, sixteen to a
// line in hex and as printable text, with the time it came. Bytes are counted
// as they come; the text is drawn a few times a second, and a flood shows
// only its newest lines (with a note of how many bytes it left out), so the
// window keeps answering while the count stays exact.
#pragma once
#include <QByteArray>
#include <QPlainTextEdit>
#include <QTime>
#include <QTimer>
#include <deque>

class SerialMonitor : public QPlainTextEdit {
  Q_OBJECT
 public:
  static constexpr int kBytesPerLine = 16;
  static constexpr int kMaxLinesPerDraw = 200;
  static constexpr int kMaxLines = 2000;

  explicit SerialMonitor(QWidget* parent = nullptr);

  void addReceived(const QByteArray& bytes) { add(false, bytes); }
  void addSent(const QByteArray& bytes) { add(true, bytes); }
  qint64 received() const { return received_; }
  qint64 sent() const { return sent_; }
  // Draws what is waiting now (the draw timer does it otherwise).
  void drawPending();
  // One monitor line: time, direction, hex and text (dots for unprintable bytes).
  static QString formatLine(const QTime& time, bool sent, const QByteArray& bytes);

 signals:
  // The counts changed (after a draw).
  void countsChanged(qint64 received, qint64 sent);

 private:
  struct Chunk {
    QTime time;
    bool sent;
    QByteArray bytes;
  };
  void add(bool sent, const QByteArray& bytes);

  std::deque<Chunk> pending_;
  qint64 pending_bytes_ = 0;
  qint64 received_ = 0, sent_ = 0;
  QTimer draw_timer_;
};
