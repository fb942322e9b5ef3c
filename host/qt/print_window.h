// The "Print Output" tool window: the printed tape one pixel per dot (or
// zoomed), grey void bands where the head lies outside the material, and a
// scroll bar once the tape is longer than the window. Right-click saves the
// tape as PNG or changes the zoom.
#pragma once
#include <QWidget>

class DeviceController;
class QScrollBar;
class QMenu;

class TapeView : public QWidget {
  Q_OBJECT
 public:
  explicit TapeView(QWidget* parent = nullptr);
  void setFirstColumn(size_t first);
  void setZoom(int zoom);
  int zoom() const { return zoom_; }
  // Columns in view: the box width at zoom 1.
  int boxWidth() const;
  // The picture exactly as painted at zoom 1 (box width x 152).
  QImage picture() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  size_t first_ = 0;
  int zoom_ = 1;
};

class PrintWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PrintWindow(DeviceController* controller = nullptr, QWidget* parent = nullptr);

  QScrollBar* scrollBar() const { return scroll_bar_; }
  TapeView* tapeView() const { return view_; }
  int zoom() const { return view_->zoom(); }
  // Saves the whole tape as the window paints it at zoom 1.
  bool saveTape(const QString& path) const;

 public slots:
  // A new tape: scroll to its start, show the window and bring it forward.
  void tapeBegun();
  // A label is complete: the resize step, then repaint.
  void tapeEnded();
  void setZoom(int zoom);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void resizeStep();
  void placeChildren();
  void saveTapeAs();

  TapeView* view_;
  QScrollBar* scroll_bar_;
};
