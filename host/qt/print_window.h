// The "Print Output" tool window: the printed tape one pixel per dot (or
// zoomed), grey void bands where the head lies outside the material, and a
// scroll bar once the tape is longer than the window. Below it a strip chooses
// what to show (the current tape, an earlier label, the whole history since
// the program started), the zoom (1x, 2x, 4x, the label fitted to the window,
// real size with a ruler) and saves the current tape or the whole history as
// PNG (one pixel per dot) or PDF (true size). A zoomed tape shows whole where
// the screen allows (the window grows, and moves up for it); what is taller
// than the screen scrolls up and down.
#pragma once
#include <QPointer>
#include <QWidget>
#include <vector>

#include "host/seam/tape_history.h"

class DeviceController;
class QScrollBar;
class RealSizeView;
class TapeSourceBar;

class TapeView : public QWidget {
  Q_OBJECT
 public:
  explicit TapeView(QWidget* parent = nullptr);
  void setFirstColumn(size_t first);
  // Paints these columns (an earlier label) instead of the device's tape;
  // nullptr goes back to the device's tape.
  void setColumns(const std::vector<TapeColumn>* columns, uint8_t cartridge_id);
  void setZoom(double zoom);
  double zoom() const { return zoom_; }
  // The first pixel row in view of the zoomed picture.
  void setTopRow(int row);
  // Columns in view: the box width at zoom 1.
  int boxWidth() const;
  // The picture exactly as painted at zoom 1 (box width x 152).
  QImage picture() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  size_t first_ = 0;
  double zoom_ = 1;
  int top_row_ = 0;
  const std::vector<TapeColumn>* columns_ = nullptr;
  uint8_t cartridge_id_ = 0;
};

class PrintWindow : public QWidget {
  Q_OBJECT
 public:
  explicit PrintWindow(DeviceController* controller = nullptr, QWidget* parent = nullptr);
  ~PrintWindow() override;

  QScrollBar* scrollBar() const { return scroll_bar_; }
  QScrollBar* verticalBar() const { return vertical_bar_; }
  TapeView* tapeView() const { return view_; }
  RealSizeView* realSizeView() const { return real_; }
  TapeSourceBar* sourceBar() const { return bar_; }
  double zoom() const { return view_->zoom(); }
  // A window below this one that a zoomed tape never covers (the media
  // panel): the window grows down to its top at most, then scrolls.
  void keepClearOf(QWidget* below) { keep_clear_of_ = below; }
  // Saves the whole tape as the window paints it at zoom 1.
  bool saveTape(const QString& path) const;

  enum class Scope { CurrentTape, WholeHistory };
  // The dots, one pixel per dot (PNG), or the tape at true size with ruler
  // and label facts (PDF). False with a message when nothing could be written.
  bool exportPng(const QString& path, Scope scope, QString* error = nullptr) const;
  bool exportPdf(const QString& path, Scope scope, QString* error = nullptr) const;

 public slots:
  // A new tape: scroll to its start, show the window and bring it forward.
  void tapeBegun();
  // A label is complete: the resize step, then repaint.
  void tapeEnded();
  void setZoom(int zoom);
  // Zoom so that the label shown (the newest label of the tape) fills the width.
  void fitLabel();
  void setRealSize(bool on);
  // Ask for a file and save (the File menu and the Save button).
  void saveTapePngAs();
  void saveTapePdfAs();
  void saveHistoryPngAs();
  void saveHistoryPdfAs();
  // The tape shown (dots, one pixel per dot) to the clipboard.
  void copyTape();
  // A ruler held to the screen corrects the real size (kept in the settings).
  void calibrateRealSize();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  bool realSize() const;
  size_t columnCount() const;
  int boxWidth() const;
  void resizeStep();
  void placeChildren();
  void applyZoom();
  void sourceChanged();
  int roomBelow() const;
  void makeRoom(int client_height);
  void saveAs(Scope scope, bool pdf);
  std::vector<TapeLabel> labelsOf(Scope scope) const;
  // The labels of what the window shows: the current tape, one label, the history.
  std::vector<TapeLabel> labelsShown() const;

  TapeView* view_;
  RealSizeView* real_;
  QScrollBar* scroll_bar_;
  QScrollBar* vertical_bar_;
  TapeSourceBar* bar_;
  std::vector<TapeColumn> shown_columns_;  // an earlier label or the history, when one is shown
  double zoom_ = 1;                        // the dot view's zoom
  int view_height_ = 0;                    // the tape area's height in pixels
  QPointer<QWidget> keep_clear_of_;
};
