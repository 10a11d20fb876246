// What the windows show, read back from grabbed pixels. Every grab is also
// written out as a PNG next to the test binary, to be looked at.
#include <QPixmap>

#include "host_fixture.h"

namespace kestrin::qt::test {
namespace {

constexpr std::string_view kLevel1 = "frmKestrinBrickBreaker";
const std::string kGround = "#f0f0f0";

QImage grabbed(ScreenWindow* window, const char* file) {
  QImage image = window->grab().toImage();
  image.save(QStringLiteral(KESTRIN_QT_TEST_OUTPUT "/") + QLatin1String(file));
  return image;
}

// Dark pixels in a column of a box: text that spills out of a label shows here.
int darkInColumn(const QImage& image, int x, int top, int bottom) {
  int dark = 0;
  for (int y = top; y < bottom; ++y) dark += isDark(image, x, y) ? 1 : 0;
  return dark;
}

TEST_F(HostTest, LauncherShowsCaptionAndBothTitleCards) {
  start();
  const QImage shot = grabbed(window("Main"), "launcher.png");
  ASSERT_EQ(shot.size(), QSize(699, 512));
  EXPECT_EQ(rgbAt(shot, 5, 5), "#ffffff");

  // The title cards at their own size, pixel for pixel.
  for (auto [name, left] : {std::pair{"brickbreaker-title.jpg", 32}, {"dodge-title.jpg", 368}}) {
    const QImage card(QStringLiteral(KESTRIN_PICTURES "/") + QLatin1String(name));
    ASSERT_EQ(card.size(), QSize(300, 200)) << name;
    for (QPoint p : {QPoint(0, 0), QPoint(150, 100), QPoint(299, 199), QPoint(40, 170)}) {
      EXPECT_EQ(QColor(shot.pixel(left + p.x(), 272 + p.y())), QColor(card.pixel(p)))
          << name << " at " << p.x() << "," << p.y();
    }
  }

  // "Click On The Game You Want To Play": bold dark text on two lines, each
  // centred in the white box.
  const QRect caption(152, 72, 425, 81);
  for (auto [top, bottom] : {std::pair{caption.top(), caption.top() + 40},
                             std::pair{caption.top() + 40, caption.bottom() + 1}}) {
    int leftmost = caption.right();
    int rightmost = caption.left();
    int dark = 0;
    for (int x = caption.left(); x <= caption.right(); ++x) {
      for (int y = top; y < bottom; ++y) {
        if (!isDark(shot, x, y)) continue;
        ++dark;
        leftmost = std::min(leftmost, x);
        rightmost = std::max(rightmost, x);
      }
    }
    EXPECT_GT(dark, 600) << "bold 32-pixel text from " << top;
    EXPECT_NEAR((leftmost + rightmost) / 2.0, caption.center().x(), 4.0) << "line from " << top;
  }
  // The short second line shows it is centred, not set from the left.
  EXPECT_EQ(darkInColumn(shot, caption.left() + 40, caption.top() + 40, caption.bottom()), 0);
  EXPECT_EQ(rgbAt(shot, caption.left() + 2, caption.top() + 2), "#ffffff");
}

TEST_F(HostTest, BrickBreakerShowsBallPaddleBricksAndPlayfield) {
  start();
  openBrickBreaker();
  const QImage shot = grabbed(window(kLevel1), "brickbreaker-level1.png");
  ASSERT_EQ(shot.size(), QSize(889, 641));
  EXPECT_EQ(rgbAt(shot, 100, 10), kGround);

  // Ball (512, 568, 25 x 25): red inside a black ring, round.
  EXPECT_EQ(rgbAt(shot, 524, 580), "#ff0000");
  EXPECT_TRUE(isDark(shot, 524, 568));
  EXPECT_EQ(rgbAt(shot, 512, 568), kGround) << "the corner of an oval's box is not drawn";
  // Paddle (488, 600, 81 x 17).
  EXPECT_EQ(rgbAt(shot, 528, 608), "#000000");
  EXPECT_EQ(rgbAt(shot, 487, 608), kGround);
  // Every brick brown, in a black outline on its own edge pixels.
  for (int i = 0; i < 8; ++i) {
    const QRect box = pixelBox(control(kLevel1, "Brick", i));
    EXPECT_EQ(rgbAt(shot, box.center().x(), box.center().y()), "#804000") << "Brick " << i;
    EXPECT_EQ(rgbAt(shot, box.center().x(), box.top()), "#000000") << "Brick " << i;
    EXPECT_EQ(rgbAt(shot, box.center().x(), box.top() + 1), "#804000") << "Brick " << i;
    EXPECT_EQ(rgbAt(shot, box.center().x(), box.bottom()), "#000000") << "Brick " << i;
  }
  // The playfield (232, 16, 641 x 609): an outline with the ground inside.
  EXPECT_EQ(rgbAt(shot, 232, 300), "#000000");
  EXPECT_EQ(rgbAt(shot, 233, 300), kGround);
  EXPECT_EQ(rgbAt(shot, 872, 300), "#000000");
  EXPECT_EQ(rgbAt(shot, 871, 300), kGround);
  EXPECT_EQ(rgbAt(shot, 300, 624), "#000000");

  // "Lives" (56, 128, 97 x 57) is wider than its label: clipped to it.
  EXPECT_GT(darkInColumn(shot, 60, 128, 185) + darkInColumn(shot, 100, 128, 185), 0);
  EXPECT_EQ(darkInColumn(shot, 55, 128, 185), 0);
  EXPECT_EQ(darkInColumn(shot, 153, 128, 185), 0);
  EXPECT_EQ(rgbAt(shot, 57, 129), kGround);
}

TEST_F(HostTest, WindowRepaintsWhatTheHandlersMoved) {
  start();
  openBrickBreaker();
  QTest::keyPress(handle(kLevel1), Qt::Key_Left);
  tick(4);  // the paddle is now at 6920 twips: 461 to 542 pixels
  const QImage shot = grabbed(window(kLevel1), "brickbreaker-level1-moved.png");
  EXPECT_EQ(rgbAt(shot, 470, 608), "#000000");
  EXPECT_EQ(rgbAt(shot, 560, 608), kGround);
}

// After a tick only the places that changed are painted again: the window
// must still show exactly what a whole paint of the model makes, over balls
// crossing labels and bricks, a score that changes every tick and a banana
// that falls, until a lost ball shows the Reset button (not in the paint).
TEST_F(HostTest, PartlyRepaintedWindowShowsWhatAWholePaintShows) {
  start();
  auto playAndCompare = [&](std::string_view screen, int ticks) {
    SCOPED_TRACE(std::string(screen));
    QTest::keyPress(handle(screen), Qt::Key_Space);
    QTest::keyPress(handle(screen), Qt::Key_Left);
    int compared = 0;
    for (int i = 0; i < ticks && !control(screen, "cmdReset").Visible; ++i, ++compared) {
      tick();
      if (i == ticks / 2) QTest::keyPress(handle(screen), Qt::Key_Right);
      const QImage whole = renderScreen(*program().findScreen(screen), 1.0, host->pictures())
                               .convertToFormat(QImage::Format_RGB32);
      const QImage shown = window(screen)->grab().toImage().convertToFormat(QImage::Format_RGB32);
      ASSERT_EQ(shown, whole) << "after tick " << i + 1;
    }
    EXPECT_GT(compared, 60);
  };
  openBrickBreaker();
  playAndCompare(kLevel1, 150);

  program().close(*program().findScreen(kLevel1));  // back to the launcher
  tick();
  clickAt("Main", QPoint(5520 / 15 + 10, 4080 / 15 + 10));
  playAndCompare("frmKestrinDodge", 150);

  // Level 3 with the score at the banana's: it falls a step a tick.
  program().close(*program().findScreen("frmKestrinDodge"));
  tick();
  Screen& level3 = program().screen("frmKestrinBrickBreakerLvl3");
  program().show(level3);
  control("frmKestrinBrickBreakerLvl3", "lblScore").Caption = "1000";
  tick();
  playAndCompare("frmKestrinBrickBreakerLvl3", 100);
  EXPECT_GT(control("frmKestrinBrickBreakerLvl3", "imgBanana").Top, 120.0f);
}

TEST_F(HostTest, DoubleScaleKeepsOutlinesCrisp) {
  start();
  openBrickBreaker();
  const QImage image = renderScreen(*program().findScreen(kLevel1), 2.0, host->pictures());
  image.save(QStringLiteral(KESTRIN_QT_TEST_OUTPUT "/brickbreaker-level1-2x.png"));
  ASSERT_EQ(image.size(), QSize(1778, 1282));
  // Brick 0 is 232, 48 logical: its top outline is exactly two device rows.
  EXPECT_EQ(rgbAt(image, 500, 95), kGround);
  EXPECT_EQ(rgbAt(image, 500, 96), "#000000");
  EXPECT_EQ(rgbAt(image, 500, 97), "#000000");
  EXPECT_EQ(rgbAt(image, 500, 98), "#804000");
  EXPECT_EQ(rgbAt(image, 1048, 1160), "#ff0000");  // the ball's middle
}

// How sharply a picture changes from pixel to pixel: the sum of the squared
// grey steps between neighbours. An enlargement spreads an edge over more
// pixels in smaller steps; a picture drawn at the higher resolution keeps
// its edges one step wide and scores well above it.
double detail(const QImage& image) {
  const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
  double sum = 0;
  for (int y = 0; y + 1 < grey.height(); ++y) {
    const uchar* row = grey.constScanLine(y);
    const uchar* below = grey.constScanLine(y + 1);
    for (int x = 0; x + 1 < grey.width(); ++x) {
      const int across = row[x + 1] - row[x];
      const int down = below[x] - row[x];
      sum += across * across + down * down;
    }
  }
  return sum;
}

// Above 1x the pictures come from their @2x versions, drawn at twice the
// size: sharper than the 1x picture enlarged, and at 2x the very pixels of
// the @2x file.
TEST_F(HostTest, HighDpiPicturesAreDrawnFromTheirTwiceSizeVersions) {
  start();
  Screen& level3 = program().screen("frmKestrinBrickBreakerLvl3");
  program().load(level3);
  struct Case {
    const Screen* screen;
    QRect box;
  };
  const Case pictures[] = {{program().findScreen("Main"), QRect(32, 272, 300, 200)},   // Image1
                           {program().findScreen("Main"), QRect(368, 272, 300, 200)},  // Image2
                           {&level3, QRect(504, 0, 80, 56)}};                          // the monkey
  for (const qreal ratio : {1.5, 2.0}) {
    for (const Case& c : pictures) {
      SCOPED_TRACE(testing::Message() << c.screen->name() << " at " << ratio << " " << c.box.x());
      const QRect device(QPoint(0, 0), c.box.size() * ratio);
      const QImage sharp = renderScreen(*c.screen, ratio, host->pictures())
                               .copy(device.translated(c.box.topLeft() * ratio));
      const QImage enlarged = renderScreen(*c.screen, 1.0, host->pictures())
                                  .copy(c.box)
                                  .scaled(device.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
      EXPECT_GT(detail(sharp), 1.25 * detail(enlarged)) << detail(sharp) / detail(enlarged);
    }
  }
  const QImage card(QStringLiteral(KESTRIN_PICTURES "/brickbreaker-title@2x.jpg"));
  ASSERT_EQ(card.size(), QSize(600, 400));
  EXPECT_EQ(renderScreen(*program().findScreen("Main"), 2.0, host->pictures())
                .copy(QRect(64, 544, 600, 400))
                .convertToFormat(QImage::Format_RGB32),
            card.convertToFormat(QImage::Format_RGB32));
}

TEST_F(HostTest, StretchedPicturesKeepTheirTransparency) {
  start();
  Screen& level3 = program().screen("frmKestrinBrickBreakerLvl3");
  program().load(level3);
  const QImage image = renderScreen(level3, 1.0, host->pictures());
  image.save(QStringLiteral(KESTRIN_QT_TEST_OUTPUT "/brickbreaker-level3.png"));

  // The monkey (504, 0, 80 x 56): ground shows through its corner, and the
  // picture fills much of the box.
  EXPECT_EQ(rgbAt(image, 504, 0), kGround);
  const QRect monkey(504, 0, 80, 56);
  int drawn = 0;
  for (int y = monkey.top(); y <= monkey.bottom(); ++y) {
    for (int x = monkey.left(); x <= monkey.right(); ++x) drawn += rgbAt(image, x, y) != kGround;
  }
  EXPECT_GT(drawn, monkey.width() * monkey.height() / 4);
  EXPECT_LT(drawn, monkey.width() * monkey.height() * 9 / 10);
  // The monkey is in front of the banana: where it is opaque it hides the
  // banana, where it is clear the banana shows through.
  const QImage& ape = host->pictures().scaled("monkey.gif", monkey.size(), 1.0);
  const QImage& fruit = host->pictures().scaled("banana.gif", QSize(48, 40), 1.0);
  int opaque = 0;
  int hidden = 0;
  int seen = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 48; ++x) {
      const QRgb front = ape.pixel(520 - 504 + x, 8 + y);
      const QRgb shown = image.pixel(520 + x, 8 + y);
      if (qAlpha(front) == 255) {
        ++opaque;
        hidden += shown == front ? 1 : 0;
      } else if (qAlpha(front) == 0 && qAlpha(fruit.pixel(x, y)) == 255) {
        seen += shown == fruit.pixel(x, y) ? 1 : 0;
      }
    }
  }
  EXPECT_GT(opaque, 100);
  EXPECT_EQ(hidden, opaque);
  EXPECT_GT(seen, 10);

  // The top row of bricks is dark red, the rest brown.
  EXPECT_EQ(rgbAt(image, pixelBox(control("frmKestrinBrickBreakerLvl3", "Brick", 0)).center().x(),
                  pixelBox(control("frmKestrinBrickBreakerLvl3", "Brick", 0)).center().y()),
            "#c00000");
}

TEST_F(HostTest, DodgeShowsItsFourBallsAndThePlayerWhereTheModelPutsThem) {
  start();
  clickAt("Main", QPoint(5520 / 15 + 10, 4080 / 15 + 10));
  constexpr std::string_view kDodge = "frmKestrinDodge";
  ASSERT_NE(window(kDodge), nullptr);
  // All four in play, spread out so that none covers another or the player.
  const std::pair<const char*, QPoint> places[] = {
      {"shpBall", {4000, 1000}}, {"shpBall2", {6000, 1000}},
      {"shpBall3", {8000, 1000}}, {"shpBall4", {10000, 3000}}};
  for (const auto& [name, at] : places) {
    Control& ball = control(kDodge, name);
    ball.Visible = true;
    ball.Left = static_cast<float>(at.x());
    ball.Top = static_cast<float>(at.y());
  }
  tick();  // each moves by its steps and the window is repainted
  const QImage shot = grabbed(window(kDodge), "dodge.png");
  ASSERT_EQ(shot.size(), QSize(889, 653));

  const std::pair<const char*, const char*> colours[] = {
      {"shpBall", "#ff0000"}, {"shpBall2", "#000000"}, {"shpBall3", "#0000c0"},
      {"shpBall4", "#ff80ff"}};
  for (const auto& [name, colour] : colours) {
    const QRect box = pixelBox(control(kDodge, name));
    EXPECT_EQ(rgbAt(shot, box.center().x(), box.center().y()), colour) << name;
    EXPECT_EQ(rgbAt(shot, box.left(), box.top()), kGround) << name << ": a circle, not a square";
  }
  // The pink ball is the large one: 57 pixels across, filled 20 pixels out.
  const QRect big = pixelBox(control(kDodge, "shpBall4"));
  EXPECT_EQ(big.width(), 57);
  EXPECT_EQ(rgbAt(shot, big.center().x() + 20, big.center().y()), "#ff80ff");
  // The player, a black rectangle right into its corners.
  const QRect player = pixelBox(control(kDodge, "Paddle"));
  EXPECT_EQ(player.size(), QSize(41, 33));
  EXPECT_EQ(rgbAt(shot, player.center().x(), player.center().y()), "#000000");
  EXPECT_EQ(rgbAt(shot, player.left() + 1, player.top() + 1), "#000000");
  EXPECT_EQ(rgbAt(shot, player.left() - 1, player.top()), kGround);
}

}  // namespace
}  // namespace kestrin::qt::test
