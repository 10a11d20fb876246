#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <QRect>
#include <QWidget>

#include "host/common/design_view.h"
#include "host/common/drawn_control.h"
#include "shell/design.h"

class QPushButton;

namespace kestrin {
class Screen;
}  // namespace kestrin

namespace kestrin::qt {

class FaceButton;
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

  // Brings the window in line with the model now: the buttons, and the
  // pixels of the controls whose drawn record changed (their old and new
  // places) scheduled for painting. Paints run between handlers, or with a
  // box open over a handler's state that the host brought every window up
  // to, so nothing a handler does on its way to its end is ever shown.
  void redraw();
  void syncFocus();
  // Shows the window with its client area at `client` (the host decides
  // where; see host/common/placement.h), maximised if asked. Once painted,
  // it tells the host it has been framed (QtHost::framed).
  void open(const QRect& client, bool maximised = false);
  // Hidden by the host, and its native window, backing store and pictures
  // let go of: the next open makes new ones, the window in the same place.
  void putAway();
  // The window system destroyed the window under it: it is hidden, and the
  // next open makes a new one in the same place.
  void dropNativeWindow();
  // Shown at least once: it has a place of its own.
  bool opened() const { return opened_; }
  // Where the design is drawn in the client area, and at what scale: the
  // whole design, as large as the window's size lets it be.
  const draw::DesignView& view() const { return view_; }

  QPushButton* button(const Control& control) const;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Button {
    std::size_t slot;  // the control's place in the form's control list
    FaceButton* widget;
  };

  bool handleKey(QEvent* event);
  // Its pictures are let go of (PictureCache::forget) while it is not shown.
  void letGoOfPictures();
  void recordWhole();  // every control's record taken afresh, every button given its state
  void syncButton(std::size_t slot, const draw::DrawnControl& was, const draw::DrawnControl& now,
                  bool whole);
  // The view for the window's size and device pixel ratio now; true if it
  // changed, when the whole window is painted again.
  bool takeView();
  // The frame around the control the keys gave the focus, in design pixels;
  // empty where there is none.
  draw::PixelRect focusFrame() const;

  QtHost& host_;
  const ScreenDesign& design_;
  Screen* screen_;
  std::uint64_t loadSerial_;
  std::vector<Button> buttons_;
  std::vector<draw::DrawnControl> drawn_;  // one a control, as the window and buttons show them
  draw::DrawnControl scratch_;             // the model's record, made anew for each control
  draw::DesignView view_;
  draw::PixelRect drawnFocusFrame_;  // as last shown
  bool drawnPaused_ = false;
  bool opened_ = false;
  bool framePending_ = false;  // opened, not painted yet
};

}  // namespace kestrin::qt
