// Where windows open: centred on the window of the screen that showed them,
// where they were, at their design's place; always wholly on the desktop
// where they fit. The rules alone, in logical pixels of a desktop; the Qt
// host's windows following them are tested in tests/qt.
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "host/common/placement.h"

namespace kestrin::draw {
namespace {

constexpr PixelRect kLaptop(0, 0, 1366, 768);
constexpr PixelMargins kNoFrame;
constexpr PixelMargins kOpenbox{1, 20, 1, 5};  // the frame openbox draws around its windows

struct PlaceCase {
  const char* what;
  PlaceRequest request;
  PixelPoint expected;  // the client area's top-left corner
};

TEST(Placement, ClientAreaOpensWhereTheRulesPutItAndWhollyOnItsScreen) {
  // A laptop with a 28 px panel along its bottom, and a larger screen to its right.
  const std::vector<PixelRect> available{{0, 0, 1366, 740}, {1366, 0, 1920, 1080}};
  const AvailableArea areaOf = [&](const PixelRect& frame) {
    for (const PixelRect& a : available) {
      if (a.contains({frame.x + frame.width / 2, frame.y + frame.height / 2})) return a;
    }
    return available.front();
  };
  const PixelRect launcherFrame(332, 108, 701, 537);
  const PlaceCase cases[] = {
      {"the first screen, centred on the primary one",
       {.client = {699, 512}, .frame = kNoFrame, .primary = kLaptop}, {333, 128}},
      {"a game, centred on the launcher's frame",
       {.client = {889, 641}, .frame = kOpenbox, .opener = launcherFrame, .primary = kLaptop},
       {238, 64}},
      {"a window the size of its opener lands on it",
       {.client = {699, 512}, .frame = kOpenbox, .opener = launcherFrame, .primary = kLaptop},
       {333, 128}},
      {"level 3 at its design's place, moved up above the panel",
       {.client = {892, 693}, .frame = kNoFrame, .at = PixelPoint{139, 143}, .primary = kLaptop},
       {139, 47}},
      {"level 3 with a frame: the frame's bottom on the panel",
       {.client = {892, 693}, .frame = kOpenbox, .at = PixelPoint{139, 143}, .primary = kLaptop},
       {139, 740 - 5 - 693}},
      {"shown again where it was, already inside: left there",
       {.client = {699, 512}, .frame = kOpenbox, .at = PixelPoint{500, 100}, .primary = kLaptop},
       {500, 100}},
      {"off the top left corner: the least move in",
       {.client = {699, 512}, .frame = kOpenbox, .at = PixelPoint{-50, -30}, .primary = kLaptop},
       {1, 20}},
      {"wider and taller than the screen: its corner at the screen's",
       {.client = {1400, 900}, .frame = kOpenbox, .at = PixelPoint{300, 300}, .primary = kLaptop},
       {1, 20}},
      {"centred on an opener on the right-hand screen, and kept on it",
       {.client = {889, 641}, .frame = kNoFrame, .opener = PixelRect(2900, 700, 300, 300),
        .primary = kLaptop},
       {3286 - 889, 1080 - 641}},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.what);
    const PixelRect client = placeClient(c.request, areaOf);
    EXPECT_EQ((std::pair{client.x, client.y}), (std::pair{c.expected.x, c.expected.y}));
    EXPECT_EQ((std::pair{client.width, client.height}),
              (std::pair{c.request.client.width, c.request.client.height}));
  }
}

}  // namespace
}  // namespace kestrin::draw
