// The program in a web page: the page's script (site/page.js) calls the
// functions exported here for every event, and the host calls the page
// through the functions of site/library.js. One session runs at a time: a
// game played (and recorded), or a recording watched; starting again makes
// a new one, a new start of the program.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "designs/designs.h"
#include "host/common/drawn_control.h"
#include "host/common/script_writer.h"
#include "host/common/twips_to_pixels.h"
#include "host/common/trace.h"
#include "host/headless/replay.h"
#include "host/headless/script_player.h"
#include "host/headless/virtual_clock.h"
#include "host/web/caption_report.h"
#include "host/web/page_clock.h"
#include "host/web/web_host.h"
#include "host/web/web_window.h"
#include "shell/screen.h"

extern "C" {
void kw_arm(double delayMs);
void kw_disarm();
void kw_open_window(int id, const char* title, std::size_t titleLength);
void kw_place_window(int id, int x, int y, int width, int height, int deviceWidth, int deviceHeight);
void kw_hide_window(int id);
void kw_activate_window(int id);
void kw_remove_window(int id);
void kw_draw(int id, const double* commands, std::size_t count);
void kw_show_box(const char* title, std::size_t titleLength, const char* text,
                 std::size_t textLength, int x, int y, int width, int height, int deviceWidth,
                 int deviceHeight, const double* commands, std::size_t count, int okX, int okY,
                 int okWidth, int okHeight, double answerAfterMs);
void kw_hide_box();
void kw_ended();
void kw_watch_over();
void kw_failed(const char* what);
}

namespace kestrin::web {
namespace {

// How long a box stands in a recording watched at its own speed: long
// enough to read "Game Over".
constexpr double kBoxShownMs = 2000;

class JsPage final : public Page {
 public:
  double now() const override { return emscripten_get_now(); }
  void arm(double delayMs) override { kw_arm(delayMs); }
  void disarm() override { kw_disarm(); }
  void openWindow(int id, std::string_view title) override {
    kw_open_window(id, title.data(), title.size());
  }
  void placeWindow(int id, const PageRect& c, int deviceWidth, int deviceHeight) override {
    kw_place_window(id, c.x, c.y, c.width, c.height, deviceWidth, deviceHeight);
  }
  void hideWindow(int id) override { kw_hide_window(id); }
  void activateWindow(int id) override { kw_activate_window(id); }
  void removeWindow(int id) override { kw_remove_window(id); }
  void draw(int id, std::span<const double> commands) override {
    kw_draw(id, commands.data(), commands.size());
  }
  void showBox(std::string_view title, std::string_view text, const BoxView& v,
               double answerAfterMs) override {
    kw_show_box(title.data(), title.size(), text.data(), text.size(), v.client.x, v.client.y,
                v.client.width, v.client.height, v.deviceWidth, v.deviceHeight,
                v.commands.data(), v.commands.size(), v.ok.x, v.ok.y, v.ok.width, v.ok.height,
                answerAfterMs);
  }
  void hideBox() override { kw_hide_box(); }
  void ended() override { kw_ended(); }
};

std::vector<std::string_view> everyPicture() {
  std::vector<std::string_view> names;
  for (const ScreenDesign* screen : designs::kEveryScreen) {
    for (const ControlDesign& c : screen->controls) {
      if (c.kind != ControlKind::Image || c.picture.empty()) continue;
      if (std::find(names.begin(), names.end(), c.picture) == names.end()) names.push_back(c.picture);
    }
  }
  return names;
}

// One run of the program in the page, played or watched.
class Session final : public headless::ScriptPlayer::Stage {
 public:
  Session(JsPage& page, Pictures& pictures, const Desktop& desktop, bool keepTrace)
      : page_(page),
        pageClock_(page),
        recorder_([this](std::string_view line) { recording_ += line; },
                  // The script says where it parts from the session, as a comment.
                  [](std::int64_t, std::string_view) {}),
        pictures_(pictures),
        desktop_(desktop) {
    if (keepTrace) trace_.emplace([this](std::string_view line) { traceText_ += line; });
  }

  void play() {
    host_ = std::make_unique<WebHost>(page_, pageClock_, [this](bool still) { pageClock_.hold(still); },
                                      pictures_);
    host_->program().addObserver(recorder_);
    begin();
    pageClock_.restart();  // the program's time starts with the program
    host_->start();
  }

  // The script's lines checked first: "" or why it cannot be played.
  std::string watch(std::string_view script, double speed) {
    std::vector<headless::Command> commands;
    headless::LineReader lines(script);
    std::string error;
    {
      headless::Replay names{headless::Replay::Sink()};  // the designs' names
      if (headless::checkScript(lines, names.program(), error, &commands) != 0) return error;
    }
    watched_ = script;
    commands_.emplace(std::move(commands));
    host_ = std::make_unique<WebHost>(page_, virtualClock_, [this](bool still) {
      if (player_) player_->hold(still);
    }, pictures_);
    host_->watchOnly(kBoxShownMs / speed);
    begin();
    host_->start();
    player_ = std::make_unique<headless::ScriptPlayer>(*this, virtualClock_, *commands_, speed);
    player_->start();
    return {};
  }

  WebHost& host() { return *host_; }
  // The page's timer: a tick due, or the script's next moment.
  void timerFired() {
    if (player_) {
      player_->step();
    } else {
      host_->wake();
    }
  }
  std::string recording() const {
    if (player_) return watched_;
    return recording_ + recorder_.tail();
  }
  const std::string& trace() const { return traceText_; }

  // The stage the script is played on.
  Program& program() override { return host_->program(); }
  void deliver(const headless::Command& c) override {
    host_->deliver([&c](Program& p) { headless::deliver(p, c); });
  }
  double realNowMs() const override { return page_.now(); }
  void wakeAfter(double realMs) override { page_.arm(realMs); }
  void wake() override { host_->wake(); }
  void finished() override { kw_watch_over(); }

 private:
  void begin() {
    host_->setDesktop(desktop_);
    if (trace_) host_->program().addObserver(*trace_);
  }

  JsPage& page_;
  PageClock pageClock_;
  headless::VirtualClock virtualClock_;
  std::string recording_;
  ScriptWriter recorder_;
  std::string traceText_;
  std::optional<TraceWriter> trace_;
  Pictures& pictures_;
  Desktop desktop_;
  std::string watched_;
  std::optional<headless::CommandList> commands_;
  std::unique_ptr<WebHost> host_;  // after what it reports to: it goes first
  std::unique_ptr<headless::ScriptPlayer> player_;
};

// The page's one program and what outlives each run of it: exported
// functions reach it here, the one place the page's calls come in.
struct PageProgram {
  JsPage page;
  Pictures pictures{everyPicture()};
  Desktop desktop;
  std::unique_ptr<Session> session;
  std::string text;  // the last text handed to the page
};

PageProgram& current() {
  static PageProgram k;  // NOLINT: the page's calls have no other way in
  return k;
}

// Runs a call from the page; a fault of the program (not an event of it)
// ends the session and is told to the page.
template <class F>
void guarded(F&& f) {
  try {
    f();
  } catch (const std::exception& e) {
    current().session.reset();
    kw_failed(e.what());
  }
}

WebHost* host() {
  Session* s = current().session.get();
  return s != nullptr ? &s->host() : nullptr;
}

}  // namespace
}  // namespace kestrin::web

using kestrin::web::guarded;
using kestrin::web::host;
using kestrin::web::current;

extern "C" {

EMSCRIPTEN_KEEPALIVE void kestrin_start(int keepTrace) {
  guarded([&] {
    auto& k = current();
    k.session.reset();
    k.session = std::make_unique<kestrin::web::Session>(k.page, k.pictures, k.desktop, keepTrace != 0);
    k.session->play();
  });
}

EMSCRIPTEN_KEEPALIVE const char* kestrin_watch(const char* script, double speed, int keepTrace) {
  auto& k = current();
  k.text.clear();
  guarded([&] {
    k.session.reset();
    k.session = std::make_unique<kestrin::web::Session>(k.page, k.pictures, k.desktop, keepTrace != 0);
    k.text = k.session->watch(script, speed);
    if (!k.text.empty()) k.session.reset();
  });
  return k.text.c_str();
}

EMSCRIPTEN_KEEPALIVE void kestrin_key(const char* code, int down, int shift, int ctrl, int alt) {
  guarded([&] {
    if (auto* h = host()) h->key(code, {.shift = shift != 0, .ctrl = ctrl != 0, .alt = alt != 0}, down != 0);
  });
}

EMSCRIPTEN_KEEPALIVE void kestrin_pointer_down(int window, double x, double y, int primary) {
  guarded([&] {
    if (auto* h = host()) h->pointerDown(window, x, y, primary != 0);
  });
}

EMSCRIPTEN_KEEPALIVE void kestrin_pointer_up(int window, double x, double y) {
  guarded([&] {
    if (auto* h = host()) h->pointerUp(window, x, y);
  });
}

EMSCRIPTEN_KEEPALIVE void kestrin_close(int window) {
  guarded([&] {
    if (auto* h = host()) h->close(window);
  });
}

EMSCRIPTEN_KEEPALIVE void kestrin_activate(int window) {
  guarded([&] {
    if (auto* h = host()) h->activated(window);
  });
}

EMSCRIPTEN_KEEPALIVE void kestrin_moved(int window, int x, int y) {
  guarded([&] {
    if (auto* h = host()) h->moved(window, x, y);
  });
}

EMSCRIPTEN_KEEPALIVE void kestrin_desktop(int width, int height, double ratio, int frameLeft,
                                          int frameTop, int frameRight, int frameBottom) {
  guarded([&] {
    auto& k = current();
    k.desktop = {.width = width, .height = height, .devicePixelRatio = ratio, .frameLeft = frameLeft,
                 .frameTop = frameTop, .frameRight = frameRight, .frameBottom = frameBottom};
    if (auto* h = host()) h->setDesktop(k.desktop);
  });
}

EMSCRIPTEN_KEEPALIVE void kestrin_hidden(int hidden) {
  guarded([&] {
    if (auto* h = host()) h->setHidden(hidden != 0);
  });
}

EMSCRIPTEN_KEEPALIVE void kestrin_keyboard_lost() {
  guarded([&] {
    if (auto* h = host()) h->keyboardLost();
  });
}

EMSCRIPTEN_KEEPALIVE void kestrin_wake() {
  guarded([&] {
    if (auto* s = current().session.get()) s->timerFired();
  });
}

EMSCRIPTEN_KEEPALIVE void kestrin_box_answered() {
  guarded([&] {
    if (auto* h = host()) h->boxAnswered();
  });
}

EMSCRIPTEN_KEEPALIVE int kestrin_picture_count() {
  return static_cast<int>(current().pictures.names().size());
}

EMSCRIPTEN_KEEPALIVE const char* kestrin_picture_name(int number) {
  auto& k = current();
  k.text = k.pictures.names().at(static_cast<std::size_t>(number));
  return k.text.c_str();
}

// Whether the first screen shows the picture: the page waits for those
// before it starts, so that the first picture of the launcher is whole.
EMSCRIPTEN_KEEPALIVE int kestrin_picture_first(int number) {
  const std::string_view name = current().pictures.names().at(static_cast<std::size_t>(number));
  for (const kestrin::ControlDesign& c : kestrin::designs::kMain.controls) {
    if (c.picture == name) return 1;
  }
  return 0;
}

// A picture has arrived: every window is painted again.
EMSCRIPTEN_KEEPALIVE void kestrin_picture_arrived() {
  guarded([&] {
    if (auto* h = host()) h->pictureLoaded();
  });
}

// Where a shown control is on the page, in CSS pixels of the desktop, as
// "x y width height"; "" where it is not shown. For tests, which play the
// page as a player does, by pointer.
EMSCRIPTEN_KEEPALIVE const char* kestrin_where(const char* screen, const char* control, int index) {
  auto& k = current();
  k.text.clear();
  guarded([&] {
    auto* h = host();
    const kestrin::web::WebWindow* w = h != nullptr ? h->window(screen) : nullptr;
    kestrin::Screen* s = h != nullptr ? h->program().findScreen(screen) : nullptr;
    if (w == nullptr || !w->shown() || s == nullptr || !s->loaded()) return;
    const kestrin::Control* c = s->form()->find(control, index);
    if (c == nullptr) return;
    const kestrin::web::PageRect r = w->where(*c);
    k.text = std::to_string(r.x) + " " + std::to_string(r.y) + " " + std::to_string(r.width) + " " +
             std::to_string(r.height);
  });
  return k.text.c_str();
}

// The window a screen is shown in, 0 where it is not shown; and the
// screen's visible controls, a line each: kind (R rectangle, O oval, L label,
// I picture, P picture stretched to its box, B button), name, and the box it paints in, in the design's pixels. For
// tests that read the page's pixels.
EMSCRIPTEN_KEEPALIVE int kestrin_window_of(const char* screen) {
  auto* h = host();
  const kestrin::web::WebWindow* w = h != nullptr ? h->window(screen) : nullptr;
  return w != nullptr && w->shown() ? w->id() : 0;
}

EMSCRIPTEN_KEEPALIVE const char* kestrin_controls(const char* screen) {
  auto& k = current();
  k.text.clear();
  guarded([&] {
    auto* h = host();
    kestrin::Screen* s = h != nullptr ? h->program().findScreen(screen) : nullptr;
    if (s == nullptr || !s->loaded()) return;
    for (const kestrin::Control& c : s->form()->controls()) {
      if (!c.Visible || c.kind() == kestrin::ControlKind::Timer) continue;
      const char kind = c.kind() == kestrin::ControlKind::Shape
                            ? (c.design().shape == kestrin::ShapeKind::Oval ? 'O' : 'R')
                        : c.kind() == kestrin::ControlKind::Label   ? 'L'
                        : c.kind() == kestrin::ControlKind::Image   ? (c.design().stretch ? 'P' : 'I')
                                                                    : 'B';
      const kestrin::draw::PixelRect r = c.kind() == kestrin::ControlKind::CommandButton
                                             ? kestrin::draw::pixelBox(c)
                                             : kestrin::draw::paintedArea(c);
      k.text += std::string(1, kind) + " " + std::string(c.name()) + " " + std::to_string(r.x) + " " +
                std::to_string(r.y) + " " + std::to_string(r.width) + " " + std::to_string(r.height) + "\n";
    }
  });
  return k.text.c_str();
}

// Every design caption as the page lays it out (caption_report.h).
EMSCRIPTEN_KEEPALIVE const char* kestrin_captions() {
  auto& k = current();
  k.text = kestrin::web::captionReport();
  return k.text.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* kestrin_recording() {
  auto& k = current();
  k.text = k.session ? k.session->recording() : std::string();
  return k.text.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* kestrin_trace() {
  auto& k = current();
  k.text = k.session ? k.session->trace() : std::string();
  return k.text.c_str();
}

}  // extern "C"
