#include <array>

#include "designs.h"

namespace kestrin::designs {

namespace {

constexpr std::array kControls{
    ControlDesign{.name = "lblMain", .kind = ControlKind::Label,
                  .left = 2280, .top = 1080, .width = 6375, .height = 1215,
                  .caption = "Click On The Game You Want To Play", .alignment = Alignment::Centre,
                  .font = {.face = "MS Sans Serif", .points = 24, .bold = true},
                  .backColor = kTitleBarText},
    ControlDesign{.name = "Image2", .kind = ControlKind::Image,
                  .left = 5520, .top = 4080, .width = 4500, .height = 3000,
                  .picture = kDodgeTitle},
    ControlDesign{.name = "Image1", .kind = ControlKind::Image,
                  .left = 480, .top = 4080, .width = 4500, .height = 3000,
                  .picture = kBrickBreakerTitle},
};

}  // namespace

const ScreenDesign kMain{
    .name = names::kMain,
    .caption = "Form1",
    .clientWidth = 10485,
    .clientHeight = 7680,
    .backColor = kTitleBarText,
    .controls = kControls,
};

}  // namespace kestrin::designs
