#include <array>

#include "designs.h"
#include "rows.h"

namespace kestrin::designs {

namespace {

constexpr Colour kRed = rgb(255, 0, 0);

// Bricks are 1215 x 495 on a pitch of 1200 (and 480 between level 3's rows),
// so neighbours share a 15-twip strip.
constexpr ControlDesign brick(std::int16_t index, float left, float top,
                              Colour fill = kBrickBrown) {
  ControlDesign row = rows::solidRectangle("Brick", left, top, 1215, 495, fill);
  row.index = index;
  return row;
}

using rows::label;
using rows::lostLife;
using rows::playfield;
using rows::reset;

constexpr ControlDesign timer() { return rows::timer(1); }

constexpr ControlDesign paddle(float left, float top) {
  return rows::solidRectangle("Paddle", left, top, 1215, 255);
}

constexpr ControlDesign ball(float left, float top) {
  return rows::ball("shpBall", left, top, 375, kRed);
}

constexpr std::string_view kStart = "Press Space Bar To Start";
constexpr Alignment kCentre = Alignment::Centre;

constexpr std::array kLevel1Controls{
    reset(8640, 4440),
    timer(),
    label("lblScore", 120, 5640, 3255, 975, "0", kFont2925Bold, kCentre),
    label("lblS", 720, 4320, 1695, 975, "Score", kFont2925Bold),
    label("lblStart", 5520, 6720, 5535, 615, kStart, kFont24),
    brick(5, 9480, 720),
    brick(3, 7080, 720),
    brick(2, 5880, 720),
    brick(0, 3480, 720),
    lostLife(6480, 4560),
    label("lbllives", 960, 3120, 1215, 855, "3", kFont24, kCentre),
    label("lblL", 840, 1920, 1455, 855, "Lives", kFont2925Bold, kCentre),
    paddle(7320, 9000),
    ball(7680, 8520),
    playfield(3480, 240),
    brick(1, 4680, 720),
    brick(6, 10680, 720),
    brick(4, 8280, 720),
    brick(7, 11880, 720),
};

constexpr std::array kLevel2Controls{
    reset(8520, 4560),
    timer(),
    label("lblStart", 5640, 6480, 5535, 615, kStart, kFont24),
    label("lblScore", 120, 5640, 3255, 975, "200", kFont2925Bold, kCentre),
    label("Label1", 1080, 1920, 1455, 855, "Lives", kFont2925Bold, kCentre),
    label("lblS", 840, 4320, 1695, 975, "Score", kFont2925Bold),
    brick(15, 11880, 360),
    brick(14, 9480, 360),
    brick(13, 7080, 360),
    brick(12, 4680, 360),
    brick(11, 10680, 1440),
    brick(10, 8280, 1440),
    brick(9, 5880, 1440),
    brick(8, 3480, 1440),
    brick(0, 3480, 720),
    brick(1, 4680, 1080),
    brick(2, 5880, 720),
    brick(3, 7080, 1080),
    brick(4, 8280, 720),
    brick(5, 9480, 1080),
    brick(6, 10680, 720),
    brick(7, 11880, 1080),
    lostLife(6240, 4680),
    label("lbllives", 1200, 3120, 1215, 855, "3", kFont24, kCentre),
    ball(7800, 8520),
    playfield(3480, 240),
    paddle(7440, 9000),
};

// Level 3's wall: six rows of eight, member 8 x row + column, the top row
// dark red (two hits), listed from the last member to the first.
constexpr ControlDesign wallBrick(std::int16_t index) {
  const int row = index / 8;
  const int column = index % 8;
  return brick(index, static_cast<float>(3600 + 1200 * column), static_cast<float>(840 + 480 * row),
               row == 0 ? kBrickDarkRed : kBrickBrown);
}

constexpr std::array kLevel3Controls{
    reset(8520, 4800),
    timer(),
    ControlDesign{.name = "Image1", .kind = ControlKind::Image,
                  .left = 7560, .top = 0, .width = 1200, .height = 840,
                  .picture = kMonkey, .stretch = true},
    ControlDesign{.name = "imgBanana", .kind = ControlKind::Image,
                  .left = 7800, .top = 120, .width = 720, .height = 600,
                  .picture = kBanana, .stretch = true},
    label("lblStart", 5880, 7680, 5535, 615, kStart, kFont24),
    label("lblScore", 120, 5640, 3255, 975, "600", kFont2925Bold, kCentre),
    label("lblS", 720, 4320, 1695, 975, "Score", kFont2925Bold),
    label("lblL", 840, 1920, 1455, 855, "Lives", kFont2925Bold, kCentre),
    wallBrick(47), wallBrick(46), wallBrick(45), wallBrick(44),
    wallBrick(43), wallBrick(42), wallBrick(41), wallBrick(40),
    wallBrick(39), wallBrick(38), wallBrick(37), wallBrick(36),
    wallBrick(35), wallBrick(34), wallBrick(33), wallBrick(32),
    wallBrick(31), wallBrick(30), wallBrick(29), wallBrick(28),
    wallBrick(27), wallBrick(26), wallBrick(25), wallBrick(24),
    wallBrick(23), wallBrick(22), wallBrick(21), wallBrick(20),
    wallBrick(19), wallBrick(18), wallBrick(17), wallBrick(16),
    wallBrick(15), wallBrick(14), wallBrick(13), wallBrick(12),
    wallBrick(11), wallBrick(10), wallBrick(9), wallBrick(8),
    wallBrick(7), wallBrick(6), wallBrick(5), wallBrick(4),
    wallBrick(3), wallBrick(2), wallBrick(1), wallBrick(0),
    ball(8280, 9120),
    paddle(7920, 9600),
    lostLife(6480, 5040),
    playfield(3600, 840),
    label("lbllives", 960, 3120, 1215, 855, "3", kFont24, kCentre),
};

}  // namespace

const ScreenDesign kBrickBreakerLevel1{
    .name = names::kBrickBreaker,
    .caption = "Kestrin Brick Breaker",
    .clientWidth = 13335,
    .clientHeight = 9615,
    .controls = kLevel1Controls,
};

const ScreenDesign kBrickBreakerLevel2{
    .name = names::kBrickBreakerLvl2,
    .caption = "Kestrin Brick Breaker Level 2",
    .clientWidth = 13320,
    .clientHeight = 9810,
    .controls = kLevel2Controls,
};

const ScreenDesign kBrickBreakerLevel3{
    .name = names::kBrickBreakerLvl3,
    .caption = "Form1",
    .clientWidth = 13380,
    .clientHeight = 10395,
    .placement = Placement::Manual,
    .clientLeft = 2085,
    .clientTop = 2145,
    .controls = kLevel3Controls,
};

}  // namespace kestrin::designs
