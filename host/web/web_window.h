#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "host/common/design_view.h"
#include "host/common/drawn_control.h"
#include "host/common/pixel_geometry.h"
#include "host/web/draw_list.h"
#include "host/web/page.h"
#include "host/web/pictures.h"
#include "shell/control.h"

namespace kestrin {
class Screen;
}  // namespace kestrin

namespace kestrin::web {

struct Desktop;

// The window of one loaded screen in the page: a frame the page makes, and
// a canvas the window paints the screen on. It shows the state the host
// last synced, and tells the host what the pointer is on; it decides
// nothing itself.
class WebWindow {
 public:
  WebWindow(Page& page, int id, Screen& screen, const Pictures& pictures);
  ~WebWindow();
  WebWindow(const WebWindow&) = delete;
  WebWindow& operator=(const WebWindow&) = delete;

  int id() const { return id_; }
  std::uint64_t loadSerial() const { return loadSerial_; }
  // Null where the screen was unloaded, or loaded again, since the window
  // was made: it is on its way out.
  Screen* screen() const;

  // Sized to fit the desktop and placed: where it stood if it was shown
  // before, else at its design's place, else centred on the frame of its
  // opener (whose client area is `opener`) or on the desktop; then kept
  // wholly inside the desktop. Shown.
  void place(const Desktop& desktop, std::optional<PageRect> opener);
  // The player moved the frame: its client area is at x, y now.
  void moved(int x, int y);
  // Hidden by the host; its records go and are taken afresh when it shows.
  void putAway();
  bool shown() const { return shown_; }
  // Its client area on the desktop, as it stands.
  PageRect client() const { return client_; }

  // Brings the canvas in line with the model: the controls whose drawn
  // record changed are painted again, old and new places, in the device
  // pixels they may touch.
  void redraw();
  // The whole canvas painted again at the next redraw (a picture arrived).
  void repaintWhole();
  // The focus follows the model's: a button drawn focused, a title card
  // with a focus frame around it.
  void syncFocus();
  // While the program is paused the screen is shown dimmed, "Paused" over it.
  void setPaused(bool paused);

  // The pointer at x, y (CSS pixels of the canvas).
  // A visible button under it is pressed (true), and drawn so.
  bool press(double x, double y);
  // The pointer comes up: the button pressed, if it is still under it.
  Control* release(double x, double y);
  // The visible label or picture under it, front first; null for the ground.
  Control* controlAt(double x, double y) const;
  // Where a control is shown, in CSS pixels of the desktop.
  PageRect where(const Control& control) const;

 private:
  struct Drawn;  // one control's drawn state
  bool live() const;
  void recordWhole();
  void paint(const std::vector<PageRect>& devicePixels);
  void paintControl(const Control& c);
  void paintButton(std::size_t slot, const Control& c);
  void paintPaused();
  void paintFocusFrame(const draw::PixelRect& area);
  static draw::PixelRect leavesPixels(const Drawn& drawn);
  std::optional<std::size_t> buttonAt(double x, double y) const;
  draw::PixelPoint logical(double x, double y) const;
  // The canvas's device pixels, margins included.
  PageRect canvasPixels() const;

  Page& page_;
  int id_;
  Screen& screen_;
  const Pictures& pictures_;
  std::uint64_t loadSerial_;
  std::vector<Drawn> drawn_;  // one a control, as the canvas shows them
  DrawList list_;
  std::optional<std::size_t> pressed_;  // the button the pointer went down on
  std::optional<std::size_t> focused_;  // the control drawn with the focus
  bool paused_ = false;
  PageRect client_;                     // CSS pixels of the desktop
  std::optional<PageRect> stood_;       // where it stood when last shown
  draw::DesignView view_;               // where the design is on the canvas, at what scale
  bool shown_ = false;
  bool whole_ = true;
};

}  // namespace kestrin::web
