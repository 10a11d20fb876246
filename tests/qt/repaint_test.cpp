// After any run of partial repaints a window shows exactly the pixels a
// whole paint of the same state makes, at the display scale this process
// runs at: CMakeLists.txt runs these tests once for each of 1, 1.25, 1.5,
// 1.75, 2 and 2.5 (QT_SCALE_FACTOR is read when the application starts).
// What is compared is the window's own backing store, as it would be put on
// the screen, not a fresh grab of the widget.
#include <QApplication>
#include <QBackingStore>
#include <QPainter>
#include <QSet>

#include <array>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>

#include "host/common/overlays.h"
#include "host/headless/script.h"
#include "host_fixture.h"

namespace kestrin::qt::test {
namespace {

Qt::Key qtKey(std::int16_t code) {
  switch (code) {
    case 9: return Qt::Key_Tab;
    case 13: return Qt::Key_Return;
    case 32: return Qt::Key_Space;
    case 37: return Qt::Key_Left;
    case 38: return Qt::Key_Up;
    case 39: return Qt::Key_Right;
    case 40: return Qt::Key_Down;
    case 80: return Qt::Key_P;
    default: throw std::logic_error("no Qt key for code " + std::to_string(code));
  }
}

class RepaintAtScale : public HostTest {
 protected:
  // Plays replay script lines through the host: clicks and keys as the
  // window system gives them, waits on the test's clock; stops before the
  // first line once `done` holds. The window of `screen` is compared after
  // every line and after each tick `compareTick` picks.
  void play(std::string_view screen, std::istream& script,
            const std::function<bool(int tick)>& compareTick = [](int) { return true; },
            const std::function<bool()>& done = [] { return false; }) {
    std::string line;
    while (!done() && std::getline(script, line) && !HasFatalFailure()) {
      const headless::ParseResult parsed = headless::parseLine(line, program());
      ASSERT_TRUE(parsed.error.empty()) << line << ": " << parsed.error;
      if (!parsed.command) continue;
      const headless::Command& c = *parsed.command;
      switch (c.kind) {
        case headless::Command::Kind::Wait: wait(screen, c.micros, compareTick); break;
        case headless::Command::Kind::KeyDown:
          QTest::keyPress(activeHandle(), qtKey(c.code));
          break;
        case headless::Command::Kind::KeyUp:
          QTest::keyRelease(activeHandle(), qtKey(c.code));
          settleKeys();
          break;
        case headless::Command::Kind::Click:
          clickAt(c.screen, pixelBox(control(c.screen, c.control, c.index)).center());
          break;
        case headless::Command::Kind::Close:
        case headless::Command::Kind::Drop: FAIL() << "not used here"; break;
      }
      if (c.kind != headless::Command::Kind::Wait) expectShowsWholePaint(screen, line);
    }
  }
  void play(std::string_view screen, std::string_view script) {
    std::istringstream lines{std::string(script)};
    play(screen, lines);
  }

  void wait(std::string_view screen, std::int64_t micros,
            const std::function<bool(int tick)>& compareTick) {
    const std::int64_t until = clock.now() + micros;
    while (alarm.armed && *alarm.armed <= until && !HasFatalFailure()) {
      clock.set(*alarm.armed);
      host->wake();
      ++ticks;
      if (compareTick(ticks)) expectShowsWholePaint(screen, "tick " + std::to_string(ticks));
    }
    clock.set(until);
  }

  QWindow* activeHandle() const {
    const Screen* active = host->program().activeScreen();
    return active == nullptr ? nullptr : handle(active->name());
  }

  // The window as it would reach the screen, against a whole paint of the
  // model at the window's device pixel ratio. Buttons are widgets over the
  // frame: they must be where, and as, the model says.
  void expectShowsWholePaint(std::string_view screen, const std::string& when) {
    QCoreApplication::processEvents();  // the paint events the host scheduled
    ScreenWindow* w = window(screen);
    ASSERT_NE(w, nullptr) << when;
    resizeAsAsked(*w);
    const qreal ratio = w->devicePixelRatioF();
    // The backing store's own image: the device pixels the window system
    // is given. (A grab of the widget would paint it afresh.)
    QPaintDevice* store = w->backingStore()->paintDevice();
    ASSERT_EQ(store->devType(), QInternal::Image);
    const QImage& shown = *static_cast<QImage*>(store);
    ASSERT_TRUE(shown.format() == QImage::Format_RGB32 ||
                shown.format() == QImage::Format_ARGB32_Premultiplied);

    // A whole paint, over a colour no paint leaves, into an image kept from
    // one comparison to the next: 5 to 20 MB a time, hundreds of times.
    const Screen& model = *program().findScreen(screen);
    const draw::DesignView& view = w->view();
    const QSize size = toDevicePixels(QRect(QPoint(0, 0), w->size()), ratio).size();
    if (whole.size() != size || whole.devicePixelRatio() != ratio) {
      whole = QImage(size, QImage::Format_ARGB32_Premultiplied);
      whole.setDevicePixelRatio(ratio);
    }
    whole.fill(QColor(0, 255, 0));
    {
      QPainter painter(&whole);
      paintForm(painter, model, host->pictures(), QRegion(QRect(QPoint(0, 0), size)),
                Showing{.view = view, .paused = host->paused()});
    }
    // The window is its logical size in device pixels rounded to the
    // nearest, the frame that rounded up: a last part-pixel row or column
    // the window does not have.
    ASSERT_LE(whole.width() - shown.width(), 1) << when;
    ASSERT_LE(whole.height() - shown.height(), 1) << when;

    QRegion buttons;
    for (const Control& c : model.form()->controls()) {
      if (c.kind() != ControlKind::CommandButton) continue;
      const QPushButton* b = w->button(c);
      ASSERT_NE(b, nullptr);
      EXPECT_EQ(b->isVisible(), bool(c.Visible)) << c.name() << ", " << when;
      if (!c.Visible) continue;
      EXPECT_EQ(b->geometry(), toQRect(view.toClient(draw::pixelBox(c)))) << c.name() << ", " << when;
      EXPECT_EQ(b->text().toStdString(), c.Caption) << c.name() << ", " << when;
      buttons += toDevicePixels(b->geometry(), ratio);
    }
    ++compared;
    int differ = 0;
    QPoint first;
    const auto rowBytes = static_cast<std::size_t>(shown.width()) * sizeof(QRgb);
    for (int y = 0; y < shown.height(); ++y) {
      const auto* a = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
      const auto* b = reinterpret_cast<const QRgb*>(whole.constScanLine(y));
      if (std::memcmp(a, b, rowBytes) == 0) continue;  // both opaque: 0xffRRGGBB
      for (int x = 0; x < shown.width(); ++x) {
        if ((a[x] | 0xff000000u) == b[x] || buttons.contains(QPoint(x, y))) continue;
        if (differ++ == 0) first = QPoint(x, y);
      }
    }
    if (differ == 0) return;
    const QString out = QStringLiteral(KESTRIN_QT_TEST_OUTPUT "/repaint-x%1-").arg(ratio);
    shown.save(out + "shown.png");
    whole.save(out + "whole.png");
    FAIL() << differ << " device pixels differ from a whole paint at scale " << ratio << ", "
           << when << "; the first at " << first.x() << "," << first.y() << ": shown "
           << rgbAt(shown, first.x(), first.y()) << ", whole " << rgbAt(whole, first.x(), first.y());
  }

  // KESTRIN_REPAINT_WINDOW=AxB: each window compared is first given A
  // times its design's width and B times its height, as a player resizing
  // it would, so its design is drawn at a scale of its own with margins
  // beside it.
  void resizeAsAsked(ScreenWindow& w) {
    const QByteArray asked = qgetenv("KESTRIN_REPAINT_WINDOW");
    if (asked.isEmpty() || resized.contains(&w)) return;
    const QList<QByteArray> factors = asked.split('x');
    ASSERT_EQ(factors.size(), 2) << "KESTRIN_REPAINT_WINDOW=" << asked.constData();
    const QSize designed = toQSize(draw::clientSize(w.screen()->design()));
    w.resize(static_cast<int>(designed.width() * factors[0].toDouble()),
             static_cast<int>(designed.height() * factors[1].toDouble()));
    resized.insert(&w);
    QCoreApplication::processEvents();
    ASSERT_NE(w.view().scale(), 1.0);
  }

  QImage whole;
  QSet<const ScreenWindow*> resized;
  int ticks = 0;
  int compared = 0;
};

// Launched and steered a little: the ball breaks bricks on its way up and
// back, is lost, "Reset" puts it back, and it is lost again.
TEST_F(RepaintAtScale, BrickBreakerLevelAfterEveryTick) {
  start();
  constexpr std::string_view kLevel1 = "frmKestrinBrickBreaker";
  play(kLevel1, R"(
click Main Image1
keydown 32
keyup 32
keydown 39
ticks 30
keyup 39
ticks 250
wait 500
keydown 37
click frmKestrinBrickBreaker cmdReset
ticks 40
keyup 37
ticks 300
)");
  int standing = 0;
  for (int i = 0; i < 8; ++i) standing += control(kLevel1, "Brick", i).Visible ? 1 : 0;
  EXPECT_LE(standing, 6) << "bricks broke";
  EXPECT_EQ(control(kLevel1, "lbllives").Caption, "1") << "two balls lost";
  EXPECT_GT(compared, 300);
  // The launcher let go of its pictures while the game was played: back, it
  // shows them made afresh.
  window(kLevel1)->close();
  expectShowsWholePaint("Main", "the launcher back after the game");
}

// The launcher by keys, its focus frame moving from card to card; then the
// game paused and going on: the whole window dimmed with "Paused" over it,
// and not a tick meanwhile.
TEST_F(RepaintAtScale, TheCardsFocusFrameAndThePause) {
  start();
  play("Main", R"(
keydown 9
keyup 9
keydown 39
keyup 39
keydown 37
keyup 37
)");
  const auto frameAround = [this](std::string_view card) {
    ScreenWindow& w = *window("Main");
    const QImage shown = w.grab().toImage();
    // Device pixels: the frame's top edge, a device pixel in.
    const QRect at = toQRect(w.view().toDevice(draw::focusFrame(draw::pixelBox(control("Main", card)))));
    const QColor blue = toQColor(draw::kFocusFrameColour);
    int found = 0;
    for (int x = at.left(); x <= at.right(); ++x) found += shown.pixelColor(x, at.top() + 1) == blue;
    return found;
  };
  EXPECT_GT(frameAround("Image1"), 100);
  EXPECT_EQ(frameAround("Image2"), 0);

  constexpr std::string_view kLevel1 = "frmKestrinBrickBreaker";
  play(kLevel1, R"(
keydown 13
keyup 13
keydown 32
keyup 32
ticks 20
keydown 80
keyup 80
)");
  EXPECT_TRUE(host->paused());
  const QImage paused = window(kLevel1)->grab().toImage();
  paused.save(KESTRIN_QT_TEST_OUTPUT "/paused.png");
  const float top = control(kLevel1, "shpBall").Top;
  const int before = ticks;
  play(kLevel1, R"(
ticks 20
keydown 80
keyup 80
ticks 20
)");
  EXPECT_EQ(ticks, before + 20) << "ticks while paused";
  EXPECT_NE(control(kLevel1, "shpBall").Top, top);
  // Dimmed ground, and the word's white in the middle.
  EXPECT_LT(qGray(paused.pixel(2, 2)), 160);
  int white = 0;
  for (int x = 0; x < paused.width(); ++x) white += paused.pixel(x, paused.height() / 2) == qRgb(255, 255, 255);
  EXPECT_GT(white, 10) << "no \"Paused\"";
}

// Four balls out need a score of 5000: the long game's dodging, compared
// every 16th tick while the balls join and after every tick once all four
// are out, up to the second lost life; then "Reset" stacks all four.
TEST_F(RepaintAtScale, DodgeWithFourBalls) {
  start();
  constexpr std::string_view kDodge = "frmKestrinDodge";
  const auto allOut = [&] {
    return control(kDodge, "shpBall4").Visible && control(kDodge, "shpBall3").Visible;
  };
  std::ifstream script(KESTRIN_TEST_SCRIPTS "/dodge/long_game.txt");
  ASSERT_TRUE(script);
  play(kDodge, script, [&](int tick) { return tick % 16 == 0 || (window(kDodge) && allOut()); },
       [&] { return window(kDodge) && control(kDodge, "lbllives").Caption == "1"; });
  EXPECT_EQ(control(kDodge, "lblScore").Caption, "5266");
  EXPECT_TRUE(allOut());
  play(kDodge, R"(
click frmKestrinDodge cmdReset
ticks 60
)");
  EXPECT_GT(compared, 600);
}

// A screen whose Space handler makes the next change of a table: one
// property of one control, the only write of the handler.
inline constexpr std::array kSampleControls{
    ControlDesign{.name = "cmdGo", .kind = ControlKind::CommandButton,
                  .left = 4200, .top = 3600, .width = 1500, .height = 600, .caption = "Go"},
    ControlDesign{.name = "shpOval", .kind = ControlKind::Shape, .left = 1530, .top = 1515,
                  .width = 1005, .height = 720, .shape = ShapeKind::Oval,
                  .fillStyle = FillStyle::Solid, .fillColor = rgb(255, 0, 0)},
    ControlDesign{.name = "shpBox", .kind = ControlKind::Shape, .left = 3015, .top = 300,
                  .width = 900, .height = 915},
    ControlDesign{.name = "lblNote", .kind = ControlKind::Label, .left = 300, .top = 3000,
                  .width = 2500, .height = 600, .caption = "Lives", .font = kFont24},
    ControlDesign{.name = "imgCard", .kind = ControlKind::Image, .left = 4215, .top = 1800,
                  .width = 915, .height = 600, .picture = "banana.gif", .stretch = true},
};
inline const ScreenDesign kSample{.name = "frmSample", .caption = "Sample",
                                  .clientWidth = 6000, .clientHeight = 4500,
                                  .controls = kSampleControls};

struct Change {
  const char* what;
  void (*apply)(Form& form);
};
Control& named(Form& form, std::string_view name) { return *form.find(name); }
// Only the properties handlers write change while a screen is loaded; the
// rest stand in the design row.
const Change kChanges[] = {
    {"an oval's FillColor", [](Form& f) { named(f, "shpOval").FillColor = rgb(0, 0, 192); }},
    {"an oval's Left", [](Form& f) { named(f, "shpOval").Left += 400; }},
    {"an oval's Top", [](Form& f) { named(f, "shpOval").Top -= 300; }},
    {"a rectangle's Top", [](Form& f) { named(f, "shpBox").Top += 300; }},
    {"a rectangle's Left", [](Form& f) { named(f, "shpBox").Left -= 600; }},
    {"a label's Caption", [](Form& f) { named(f, "lblNote").Caption = "Score"; }},
    {"a hidden label", [](Form& f) { named(f, "lblNote").Visible = false; }},
    {"a label shown again", [](Form& f) { named(f, "lblNote").Visible = true; }},
    {"a picture's Left", [](Form& f) { named(f, "imgCard").Left -= 2000; }},
    {"a picture's Top", [](Form& f) { named(f, "imgCard").Top += 600; }},
    {"a hidden picture", [](Form& f) { named(f, "imgCard").Visible = false; }},
    {"a picture shown again", [](Form& f) { named(f, "imgCard").Visible = true; }},
    {"a hidden oval", [](Form& f) { named(f, "shpOval").Visible = false; }},
    {"a button's Caption", [](Form& f) { named(f, "cmdGo").Caption = "Stop"; }},
    {"a hidden button", [](Form& f) { named(f, "cmdGo").Visible = false; }},
};

class SampleForm final : public Form {
 public:
  explicit SampleForm(Screen& screen) : Form(screen) {
    onKeyDown([this](std::int16_t code, std::int16_t) {
      if (code == 32 && next < std::size(kChanges)) kChanges[next++].apply(*this);
    });
  }
  std::size_t next = 0;
};

TEST_F(RepaintAtScale, AHandlerThatChangesOnePropertyIsShown) {
  start([](Program& p) { p.add(kSample, [](Screen& s) { return std::make_unique<SampleForm>(s); }); },
        "frmSample");
  const qreal ratio = window("frmSample")->devicePixelRatioF();
  expectShowsWholePaint("frmSample", "at first");
  for (const Change& change : kChanges) {
    SCOPED_TRACE(change.what);
    const QImage before = renderScreen(*program().findScreen("frmSample"), ratio, host->pictures());
    keyClick("frmSample", Qt::Key_Space);
    const QImage after = renderScreen(*program().findScreen("frmSample"), ratio, host->pictures());
    if (std::string_view(change.what).find("button") == std::string_view::npos) {
      EXPECT_NE(after, before) << "the change shows";
    }
    expectShowsWholePaint("frmSample", change.what);
  }
}

}  // namespace
}  // namespace kestrin::qt::test
