// kestrin-xplay: plays the real kestrin through the X server, as a player
// at the keyboard would, with the clock a benchmark needs. Keys and clicks
// go in through XTest; what the game shows comes back as the window's
// pixels (XGetImage) and as the X server's notices that they changed
// (XDamage), so nothing inside the game is asked or trusted.
//
//   kestrin-xplay latency SAMPLES
//       Opens Brick Breaker level 1 from the launcher and, SAMPLES times,
//       with the paddle standing still: waits a random part of a tick,
//       presses an arrow key, and times until the X server reports the
//       window's pixels changed where the paddle is; then lets the key go
//       and waits for the paddle to stand still again. Prints one
//       "latency_us N" line a sample and one "latency_at_ns PRESSED SEEN"
//       (the monotonic clock, to be set beside kestrin-probe keys), then
//       "latency_missed N".
//   kestrin-xplay brickbreaker
//       Opens Brick Breaker from the launcher and plays the whole game:
//       launches the ball on each level, keeps the paddle under it, clicks
//       Reset (Tab, Space) after a lost ball, and answers the box that ends
//       the game. Prints "game_seconds N" and "game_won 0|1".
//
// The launcher must be on the screen (DISPLAY) when it starts.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::microseconds;
using std::chrono::milliseconds;

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "kestrin-xplay: %s\n", what);
  std::exit(1);
}

std::int64_t micros(Clock::duration d) {
  return std::chrono::duration_cast<microseconds>(d).count();
}

// Where things are on a Brick Breaker level, in window pixels (twips / 15).
struct Level {
  int fieldLeft, fieldTop, fieldRight, fieldBottom;  // the playfield's outline
  int paddleTop, paddleBottom;
};
constexpr Level kLevels[] = {
    {3480 / 15, 240 / 15, (3480 + 9615) / 15, (240 + 9135) / 15, 9000 / 15, 9255 / 15},  // level 1
    {3480 / 15, 240 / 15, (3480 + 9615) / 15, (240 + 9135) / 15, 9000 / 15, 9255 / 15},  // level 2
    {3600 / 15, 840 / 15, (3600 + 9615) / 15, (840 + 9135) / 15, 9600 / 15, 9855 / 15},  // level 3
};

struct Rect {
  int x, y, width, height;
};

// A window can go between finding it and reading it (a level closes as the
// next opens): such a request fails, and its caller tries again.
int ignoreError(Display*, XErrorEvent*) { return 0; }

class Session {
 public:
  Session() : display_(XOpenDisplay(nullptr)) {
    if (display_ == nullptr) fail("no X display");
    XSetErrorHandler(ignoreError);
    root_ = DefaultRootWindow(display_);
    int major = 0, minor = 0, error = 0;
    if (!XTestQueryExtension(display_, &event_, &error, &major, &minor)) fail("no XTest");
    if (!XDamageQueryExtension(display_, &damageEvent_, &error)) fail("no Damage extension");
    XDamageQueryVersion(display_, &major, &minor);
  }
  ~Session() { XCloseDisplay(display_); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Display* display() const { return display_; }

  // Viewable top-level windows with this title.
  std::vector<Window> windows(std::string_view title) {
    std::vector<Window> found;
    Window rootOut = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, root_, &rootOut, &parent, &children, &count)) return found;
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes a{};
      if (!XGetWindowAttributes(display_, children[i], &a) || a.map_state != IsViewable) continue;
      char* name = nullptr;
      if (XFetchName(display_, children[i], &name) && name != nullptr) {
        if (title == name) found.push_back(children[i]);
        XFree(name);
      }
    }
    if (children != nullptr) XFree(children);
    return found;
  }

  Rect geometry(Window w) {
    XWindowAttributes a{};
    XGetWindowAttributes(display_, w, &a);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(display_, w, root_, 0, 0, &x, &y, &child);
    return {x, y, a.width, a.height};
  }

  void key(KeySym sym, bool down) {
    XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, sym), down ? True : False, CurrentTime);
    XFlush(display_);
  }
  void tap(KeySym sym) {
    key(sym, true);
    key(sym, false);
  }
  void click(Window w, int x, int y) {
    const Rect g = geometry(w);
    XTestFakeMotionEvent(display_, -1, g.x + x, g.y + y, CurrentTime);
    XTestFakeButtonEvent(display_, 1, True, CurrentTime);
    XTestFakeButtonEvent(display_, 1, False, CurrentTime);
    XFlush(display_);
  }
  void focus(Window w) {
    XSetInputFocus(display_, w, RevertToParent, CurrentTime);
    XSync(display_, False);
  }

  // Waits for the next damage event; empty when `until` passed first.
  std::optional<XDamageNotifyEvent> nextDamage(Clock::time_point until) {
    while (true) {
      while (XPending(display_) > 0) {
        XEvent e;
        XNextEvent(display_, &e);
        if (e.type == damageEvent_ + XDamageNotify) return *reinterpret_cast<XDamageNotifyEvent*>(&e);
      }
      const auto left = std::chrono::ceil<milliseconds>(until - Clock::now()).count();
      if (left <= 0) return std::nullopt;
      pollfd fd{ConnectionNumber(display_), POLLIN, 0};
      poll(&fd, 1, static_cast<int>(left));
    }
  }


 private:
  Display* display_;
  Window root_ = 0;
  int event_ = 0;
  int damageEvent_ = 0;
};

// A grab of part of a window, read as RGB.
class Grab {
 public:
  Grab(Session& x, Window w, Rect r)
      : image_(XGetImage(x.display(), w, r.x, r.y, static_cast<unsigned>(r.width),
                         static_cast<unsigned>(r.height), AllPlanes, ZPixmap)),
        origin_{r.x, r.y} {
    direct_ = image_ != nullptr && image_->bits_per_pixel == 32 && image_->red_mask == 0xff0000 &&
              image_->green_mask == 0xff00 && image_->blue_mask == 0xff;
  }
  ~Grab() {
    if (image_ != nullptr) XDestroyImage(image_);
  }
  Grab(const Grab&) = delete;
  Grab& operator=(const Grab&) = delete;

  bool ok() const { return image_ != nullptr; }
  // 0xRRGGBB at window coordinates.
  std::uint32_t rgb(int x, int y) const {
    const int ix = x - origin_[0], iy = y - origin_[1];
    if (direct_) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(image_->data + iy * image_->bytes_per_line);
      return row[ix] & 0xffffff;
    }
    return static_cast<std::uint32_t>(XGetPixel(image_, ix, iy)) & 0xffffff;
  }

 private:
  XImage* image_;
  int origin_[2];
  bool direct_ = false;
};

// The paddle's centre: the middle of the longest black run along its row.
std::optional<double> paddleCentre(Session& x, Window w, const Level& l) {
  const int row = (l.paddleTop + l.paddleBottom) / 2;
  const int from = l.fieldLeft + 2, to = l.fieldRight - 2;
  Grab g(x, w, {from, row, to - from, 1});
  if (!g.ok()) return std::nullopt;
  int best = 0, bestStart = 0, run = 0;
  for (int px = from; px < to; ++px) {
    run = g.rgb(px, row) == 0 ? run + 1 : 0;
    if (run > best) {
      best = run;
      bestStart = px - run + 1;
    }
  }
  if (best < 20) return std::nullopt;
  return bestStart + best / 2.0;
}

// The ball's centre: the middle of its pure red pixels in the playfield.
// Near where it was last seen when that finds it (a small grab is quick for
// the X server), else anywhere in the playfield.
// (A plain struct, not std::optional: GCC 12 warns wrongly about the latter.)
struct Spot {
  double x = 0, y = 0;
  bool found = false;
};

Spot ballCentre(Session& x, Window w, const Level& l, const Spot& near) {
  const Rect field{l.fieldLeft + 1, l.fieldTop + 1, l.fieldRight - l.fieldLeft - 2,
                   l.fieldBottom - l.fieldTop - 2};
  Rect area = field;
  if (near.found) {
    const int x0 = std::max(field.x, int(near.x) - 60);
    const int y0 = std::max(field.y, int(near.y) - 60);
    area = {x0, y0, std::min(field.x + field.width, int(near.x) + 60) - x0,
            std::min(field.y + field.height, int(near.y) + 60) - y0};
  }
  Grab g(x, w, area);
  if (!g.ok()) return {};
  double sx = 0, sy = 0;
  int n = 0;
  for (int y = area.y; y < area.y + area.height; ++y) {
    for (int px = area.x; px < area.x + area.width; ++px) {
      if (g.rgb(px, y) == 0xff0000) {
        sx += px;
        sy += y;
        ++n;
      }
    }
  }
  if (n < 20) return near.found ? ballCentre(x, w, l, {}) : Spot{};
  return {sx / n, sy / n, true};
}

Window waitForWindow(Session& x, std::string_view title, int seconds = 10) {
  const auto until = Clock::now() + std::chrono::seconds(seconds);
  while (Clock::now() < until) {
    const std::vector<Window> found = x.windows(title);
    if (!found.empty()) return found.front();
    std::this_thread::sleep_for(milliseconds(20));
  }
  std::fprintf(stderr, "kestrin-xplay: no window \"%.*s\"\n", int(title.size()), title.data());
  std::exit(1);
}

// The launcher's Brick Breaker title card, clicked in its middle.
Window openBrickBreaker(Session& x) {
  const Window launcher = waitForWindow(x, "Form1");
  std::this_thread::sleep_for(milliseconds(300));  // painted, and taking clicks
  x.click(launcher, (480 + 2250) / 15, (4080 + 1500) / 15);
  const Window game = waitForWindow(x, "Kestrin Brick Breaker");
  std::this_thread::sleep_for(milliseconds(500));  // painted and given the keys
  return game;
}

int latency(int samples) {
  Session x;
  const Window game = openBrickBreaker(x);
  const Level& level = kLevels[0];
  const Damage damage = XDamageCreate(x.display(), game, XDamageReportRawRectangles);
  std::mt19937_64 random(std::random_device{}());
  std::uniform_int_distribution<std::int64_t> phase(0, 15'625);
  int missed = 0;

  // Until the window has not changed for a while: the paddle stands still.
  const auto settle = [&] {
    const auto limit = Clock::now() + std::chrono::seconds(2);
    while (x.nextDamage(Clock::now() + milliseconds(120)) && Clock::now() < limit) {
    }
  };
  for (int i = 0; i < samples; ++i) {
    settle();
    const std::optional<double> paddle = paddleCentre(x, game, level);
    if (!paddle) fail("no paddle on its row");
    // Towards the middle, so the paddle never stands at a wall.
    const KeySym arrow = *paddle < (level.fieldLeft + level.fieldRight) / 2.0 ? XK_Right : XK_Left;
    std::this_thread::sleep_for(microseconds(phase(random)));  // anywhere in a tick
    const auto pressed = Clock::now();
    x.key(arrow, true);
    std::optional<Clock::time_point> seen;
    while (auto e = x.nextDamage(pressed + milliseconds(500))) {
      const int top = e->area.y, bottom = e->area.y + e->area.height;
      if (bottom > level.paddleTop && top < level.paddleBottom) {
        seen = Clock::now();
        break;
      }
    }
    x.key(arrow, false);
    if (seen) {
      const auto ns = [](Clock::time_point t) {
        return static_cast<long long>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count());
      };
      std::printf("latency_us %lld\n", static_cast<long long>(micros(*seen - pressed)));
      std::printf("latency_at_ns %lld %lld\n", ns(pressed), ns(*seen));
    } else {
      ++missed;
    }
    std::fflush(stdout);
  }
  std::printf("latency_missed %d\n", missed);
  XDamageDestroy(x.display(), damage);
  return missed == samples ? 1 : 0;
}

// Which level a window is, by its title and size (level 3 shares the
// launcher's title "Form1", but is taller).
const Level* levelOf(Session& x, Window& found) {
  for (const auto& [title, index] : {std::pair<std::string_view, int>{"Kestrin Brick Breaker Level 2", 1},
                                     {"Form1", 2}, {"Kestrin Brick Breaker", 0}}) {
    for (Window w : x.windows(title)) {
      const Rect g = x.geometry(w);
      const bool isLevel = index == 2 ? g.height > 600 : g.width > 800;
      if (isLevel) {
        found = w;
        return &kLevels[index];
      }
    }
  }
  return nullptr;
}

// The box that ends a game: "You Win" (titled "Kestrin") or "Game Over"
// (titled "Kestrin Brick Breaker", smaller than a level).
std::optional<std::pair<Window, bool>> endBox(Session& x) {
  for (Window w : x.windows("Kestrin")) return std::make_pair(w, true);
  for (Window w : x.windows("Kestrin Brick Breaker")) {
    if (x.geometry(w).width < 800) return std::make_pair(w, false);
  }
  return std::nullopt;
}

int brickbreaker() {
  Session x;
  const auto started = Clock::now();
  Window game = openBrickBreaker(x);
  const Level* level = nullptr;
  KeySym held = NoSymbol;
  Spot ball;  // where it was last seen
  Spot moved;  // where it was when it last moved
  auto ballMoved = Clock::now();
  const auto release = [&] {
    if (held != NoSymbol) x.key(held, false);
    held = NoSymbol;
  };

  while (Clock::now() - started < std::chrono::minutes(10)) {
    if (const auto box = endBox(x)) {
      release();
      x.focus(box->first);
      x.tap(XK_Return);
      std::printf("game_seconds %.1f\n", double(micros(Clock::now() - started)) / 1e6);
      std::printf("game_won %d\n", box->second ? 1 : 0);
      return box->second ? 0 : 1;
    }
    Window w = 0;
    const Level* now = levelOf(x, w);
    if (now == nullptr) {  // between two levels' windows
      std::this_thread::sleep_for(milliseconds(5));
      continue;
    }
    if (now != level || w != game) {
      release();
      level = now;
      game = w;
      std::this_thread::sleep_for(milliseconds(300));  // painted and given the keys
      x.tap(XK_space);
      ball = moved = {};
      ballMoved = Clock::now();
      continue;
    }
    ball = ballCentre(x, game, *level, ball);
    const auto paddle = paddleCentre(x, game, *level);
    if (ball.found && (!moved.found || std::abs(ball.x - moved.x) > 0.5 ||
                       std::abs(ball.y - moved.y) > 0.5)) {
      moved = ball;
      ballMoved = Clock::now();
    } else if (Clock::now() - ballMoved > std::chrono::milliseconds(1500)) {
      // Lost: Tab gives the shown Reset the keys, Space clicks it.
      release();
      x.tap(XK_Tab);
      std::this_thread::sleep_for(milliseconds(50));
      x.tap(XK_space);
      ballMoved = Clock::now();
    }
    if (ball.found && paddle) {
      const double off = ball.x - *paddle;  // a paddle step is 6.7 pixels
      const KeySym want = off < -6 ? XK_Left : off > 6 ? XK_Right : NoSymbol;
      if (want != held) {
        release();
        if (want != NoSymbol) x.key(want, true);
        held = want;
      }
    }
    std::this_thread::sleep_for(milliseconds(3));
  }
  release();
  fail("the game did not end in 10 minutes");
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view mode = argc > 1 ? argv[1] : "";
  if (mode == "latency" && argc == 3) return latency(std::max(1, std::atoi(argv[2])));
  if (mode == "brickbreaker" && argc == 2) return brickbreaker();
  std::fprintf(stderr, "usage: kestrin-xplay latency SAMPLES | kestrin-xplay brickbreaker\n");
  return 2;
}
