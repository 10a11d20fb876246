#pragma once

#include <array>

#include "shell/design.h"

// Every screen's design: the state its controls start in each time it is
// loaded. Positions and sizes in twips; design order is front to back.
namespace kestrin::designs {

// Each screen's name, as its design has it, the program registers it, the
// code opens it and a script or a tool names it.
namespace names {
inline constexpr std::string_view kMain = "Main";
inline constexpr std::string_view kBrickBreaker = "frmKestrinBrickBreaker";
inline constexpr std::string_view kBrickBreakerLvl2 = "frmKestrinBrickBreakerLvl2";
inline constexpr std::string_view kBrickBreakerLvl3 = "frmKestrinBrickBreakerLvl3";
inline constexpr std::string_view kDodge = "frmKestrinDodge";
}  // namespace names

extern const ScreenDesign kMain;
extern const ScreenDesign kBrickBreakerLevel1;
extern const ScreenDesign kBrickBreakerLevel2;
extern const ScreenDesign kBrickBreakerLevel3;
extern const ScreenDesign kDodge;

// Every one of them, for whatever looks across all screens at once.
inline constexpr std::array kEveryScreen{&kMain, &kBrickBreakerLevel1, &kBrickBreakerLevel2,
                                         &kBrickBreakerLevel3, &kDodge};

// The bricks' colours. Level 3's rules tell how many hits a brick has left
// by them, so the rules take them from here.
inline constexpr Colour kBrickBrown = rgb(128, 64, 0);    // one hit left
inline constexpr Colour kBrickDarkRed = rgb(192, 0, 0);   // two hits left: level 3's top row

// The pictures the designs name, as the host finds them among its resources.
inline constexpr std::string_view kBrickBreakerTitle = "brickbreaker-title.jpg";
inline constexpr std::string_view kDodgeTitle = "dodge-title.jpg";
inline constexpr std::string_view kMonkey = "monkey.gif";
inline constexpr std::string_view kBanana = "banana.gif";

// A picture's own size in pixels, as its file has it (its @2x version is
// twice as wide and twice as high): what a picture shown unstretched
// covers, known to every host without decoding the picture.
struct PictureSize {
  std::string_view picture;
  int width = 0;
  int height = 0;
};

inline constexpr std::array kPictureSizes{
    PictureSize{kBrickBreakerTitle, 300, 200}, PictureSize{kDodgeTitle, 300, 200},
    PictureSize{kMonkey, 432, 432}, PictureSize{kBanana, 432, 288}};

// The size of the picture of that name; 0 x 0 where there is none.
constexpr PictureSize pictureSize(std::string_view picture) {
  for (const PictureSize& p : kPictureSizes) {
    if (p.picture == picture) return p;
  }
  return {picture, 0, 0};
}

}  // namespace kestrin::designs
