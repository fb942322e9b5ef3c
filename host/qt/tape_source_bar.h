// The strip under the Print Output window's tape: which tape to show (the
// device's current tape, one earlier label, or every label printed since the
// program started) with buttons for the earlier and later label, the zoom
// (1x, 2x, 4x, fit the label to the window, real size) and the Save menu
// (PNG or PDF, of the current tape or the whole history), and the history's
// size against its bound.
#pragma once
#include <QWidget>
#include <cstdint>

class QComboBox;
class QLabel;
class QMenu;
class QToolButton;

class TapeSourceBar : public QWidget {
  Q_OBJECT
 public:
  // What the window shows: the current tape, the whole history, or the label
  // with this number.
  static constexpr int64_t kCurrentTape = -1, kWholeHistory = -2;
  enum class Zoom { X1, X2, X4, FitLabel, RealSize };

  explicit TapeSourceBar(QWidget* parent = nullptr);
  // Rebuilds the list from the history (keeps the choice while it is kept).
  void refresh();
  int64_t source() const;
  void setSource(int64_t source);
  // One label earlier or later; false at either end.
  bool stepEarlier();
  bool stepLater();
  Zoom zoom() const;
  void setZoom(Zoom zoom);
  QMenu* saveMenu() const { return save_menu_; }
  QComboBox* sourceBox() const { return source_box_; }
  QString historyText() const;
  // A word about the device's tape shown in place of the history's size (empty: none).
  void setNotice(const QString& notice);

 signals:
  void sourceChanged();
  void zoomChanged();

 private:
  void updateButtons();
  void showInfo();

  QToolButton* earlier_;
  QToolButton* later_;
  QComboBox* source_box_;
  QComboBox* zoom_box_;
  QToolButton* save_;
  QMenu* save_menu_;
  QLabel* info_;
  QString notice_;
  uint64_t generation_seen_ = ~uint64_t(0);
};
