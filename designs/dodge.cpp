#include <array>

#include "designs.h"
#include "rows.h"

namespace kestrin::designs {

namespace {

using rows::label;

constexpr Alignment kCentre = Alignment::Centre;

constexpr std::array kControls{
    rows::reset(8640, 4440),
    rows::timer(15),
    label("lblSfgf", 960, 840, 1575, 615, "Score :", kFont24),
    rows::ball("shpBall4", 7920, 600, 855, rgb(255, 128, 255), false),
    rows::ball("shpBall3", 4560, 360, 375, rgb(0, 0, 192), false),
    label("lblScore", 600, 1920, 2175, 735, "0", kFont24, kCentre),
    rows::ball("shpBall2", 4080, 360, 375, rgb(0, 0, 0), false),
    rows::lostLife(6600, 4560),
    label("lbllives", 1080, 4080, 1215, 855, "3", kFont24, kCentre),
    label("lblL", 960, 3120, 1455, 615, "Lives :", kFont24, kCentre),
    rows::solidRectangle("Paddle", 7680, 8520, 615, 495),
    rows::ball("shpBall", 3600, 360, 375, rgb(255, 0, 0)),
    rows::playfield(3480, 240),
};

}  // namespace

const ScreenDesign kDodge{
    .name = names::kDodge,
    .caption = "Kestrin Dodge",
    .clientWidth = 13335,
    .clientHeight = 9795,
    .controls = kControls,
};

}  // namespace kestrin::designs
