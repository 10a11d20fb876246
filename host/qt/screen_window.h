#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <QImage>
#include <QRect>
#include <QWidget>

#include "shell/design.h"

class QPushButton;

namespace kestrin {
class Screen;
}  // namespace kestrin

namespace kestrin::qt {

class QtHost;

// The window of one loaded screen. It shows the state the host last synced
// and turns the window system's events into calls on the host; it decides
// nothing itself.
class ScreenWindow final : public QWidget {
 public:
  ScreenWindow(QtHost& host, Screen& screen);

  // Null once the screen was unloaded: the window is on its way out and
  // passes nothing on any more.
  Screen* screen() const { return screen_; }
  std::uint64_t loadSerial() const { return loadSerial_; }
  void retire();

  // Renders the model's state now and schedules the paint. The window keeps
  // showing that picture until the next redraw, so nothing a handler does
  // on its way to its end (before a message box, say) is ever shown. Only
  // the parts where a control moved or changed its look are painted again.
  void redraw();
  void syncButtons();
  void syncFocus();
  // Shows the window with its client area at `client` (the host decides
  // where; see placement.h).
  void open(const QRect& client);
  // The window system destroyed the window under it: it is hidden, and the
  // next open makes a new one in the same place.
  void dropNativeWindow();
  // Shown at least once: it has a place of its own.
  bool opened() const { return opened_; }

  QPushButton* button(const Control& control) const;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Button {
    std::size_t slot;  // the control's place in the form's control list
    QPushButton* widget;
    // As last given to the widget.
    QRect box;
    bool visible;
    std::string caption;
  };
  // What the frame shows of one control, to tell what a redraw must repaint.
  struct Shown {
    QRect area;  // empty: nothing of it is shown
    Colour fill = 0, back = 0, fore = 0;
    std::string caption;  // labels only
  };

  bool handleKey(QEvent* event);
  void renderWhole();  // the whole frame, without scheduling a paint

  QtHost& host_;
  const ScreenDesign& design_;
  Screen* screen_;
  std::uint64_t loadSerial_;
  std::vector<Button> buttons_;
  QImage frame_;
  std::vector<Shown> shown_;  // one a control, as frame_ has them
  bool opened_ = false;
};

}  // namespace kestrin::qt
