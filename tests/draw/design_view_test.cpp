// A design drawn whole at the size its window has: the scale that fits,
// centred on whole device pixels; clicks mapped back to the design pixel
// under the pointer; and windows made small enough to fit their screen.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "host/common/design_view.h"
#include "host/common/placement.h"

namespace kestrin::draw {
namespace {

constexpr PixelSize kLevel{889, 641};     // Brick Breaker's client area
constexpr PixelSize kLauncher{699, 512};

struct ViewCase {
  const char* what;
  PixelSize design, client;
  double ratio;
  double scale;
  PixelPoint origin;
};

TEST(DesignView, TheWholeDesignAtTheScaleThatFitsCentredOnWholeDevicePixels) {
  const ViewCase cases[] = {
      {"as designed", kLevel, kLevel, 1, 1, {0, 0}},
      {"as designed at 1.5", kLevel, kLevel, 1.5, 1, {0, 0}},
      {"twice as large", kLevel, {1778, 1282}, 1, 2, {0, 0}},
      {"wider than the design: margins left and right", kLevel, {1200, 641}, 1, 1, {155, 0}},
      {"taller: margins above and below", kLevel, {889, 741}, 1.25, 1, {0, 62}},
      {"fitted to a laptop at 1.25", kLevel, {810, 584}, 1.25, 584.0 / 641, {0, 0}},
      {"maximised at 1.5", kLauncher, {910, 490}, 1.5, 490.0 / 512, {180, 0}},
  };
  for (const ViewCase& c : cases) {
    SCOPED_TRACE(c.what);
    const DesignView view(c.design, c.client, c.ratio);
    EXPECT_DOUBLE_EQ(view.scale(), c.scale);
    EXPECT_DOUBLE_EQ(view.deviceScale(), c.scale * c.ratio);
    EXPECT_EQ(view.origin(), c.origin);
    EXPECT_EQ(view.asDesigned(), c.client == c.design);
    // The picture lies inside the client area, and fills it along one side.
    const PixelRect picture = view.picture();
    const int across = static_cast<int>(std::lround(c.client.width * c.ratio));
    const int down = static_cast<int>(std::lround(c.client.height * c.ratio));
    EXPECT_GE(picture.x, 0);
    EXPECT_GE(picture.y, 0);
    EXPECT_LE(picture.xEnd(), across + 1);
    EXPECT_LE(picture.yEnd(), down + 1);
    EXPECT_TRUE(std::abs(picture.width - across) <= 1 || std::abs(picture.height - down) <= 1);
  }
  // As designed, the view is the plain device pixel rounding of every box.
  const DesignView plain(kLevel, kLevel, 1.25);
  EXPECT_EQ(plain.toDevice({10, 10, 5, 5}), (PixelRect{12, 12, 7, 7}));
  EXPECT_EQ(plain.reach({10, 10, 5, 5}), (PixelRect{11, 11, 9, 9}));
  EXPECT_EQ(plain.toClient({10, 10, 5, 5}), (PixelRect{10, 10, 5, 5}));
}

// Wherever the pointer is on a control's box as the window shows it, the
// click lands on that box of the design; in a margin it lands on none.
TEST(DesignView, ClicksLandOnTheDesignPixelUnderThePointerAtEveryScale) {
  const std::vector<PixelRect> boxes = {
      {32, 272, 300, 200},   // the launcher's left card
      {368, 272, 300, 200},  // the right card
      {576, 296, 137, 57},   // "Reset"
      {232, 48, 81, 33},     // a brick
  };
  for (const PixelSize client : {kLevel, PixelSize{600, 400}, PixelSize{1366, 700},
                                 PixelSize{2000, 1100}, PixelSize{810, 584}}) {
    for (const double ratio : {1.0, 1.25, 1.5, 2.0}) {
      SCOPED_TRACE(testing::Message() << client.width << "x" << client.height << " at " << ratio);
      const DesignView view(kLevel, client, ratio);
      for (const PixelRect& box : boxes) {
        const PixelRect shown = view.toClient(box);
        for (const auto& [fx, fy] : {std::pair{0.5, 0.5}, {0.1, 0.1}, {0.9, 0.9}}) {
          const double x = shown.x + fx * shown.width;
          const double y = shown.y + fy * shown.height;
          EXPECT_TRUE(box.contains(view.toDesign(x, y))) << x << "," << y;
        }
      }
      if (view.origin().x > 2) {
        const PixelPoint margin = view.toDesign(0.5, 10);
        EXPECT_LT(margin.x, 0);
      }
    }
  }
}

// At 125 % and 150 % on a 1366 x 768 laptop (1093 x 614 and 911 x 512
// logical pixels, a 28 px panel at the bottom) neither a game nor the
// launcher fits with its frame: each opens at the largest scale that does.
TEST(DesignView, ANewWindowOpensAtTheLargestScaleAtWhichItsFrameFits) {
  constexpr PixelMargins kOpenbox{1, 20, 1, 5};
  const auto noPanel = [](double ratio) {
    return PixelRect(0, 0, static_cast<int>(std::ceil(1366 / ratio)),
                     static_cast<int>((768 - 28) / ratio));
  };
  for (const double ratio : {1.0, 1.25, 1.5}) {
    for (const PixelSize design : {kLevel, kLauncher, PixelSize{892, 693}}) {
      SCOPED_TRACE(testing::Message() << design.width << "x" << design.height << " at " << ratio);
      const PixelRect area = noPanel(ratio);
      const double scale = fittingScale(design, kOpenbox, area.size());
      const PixelSize fitted = clientAt(design, scale);
      const PixelRect client = placeClient(
          {.client = design, .frame = kOpenbox, .primary = area, .fit = true},
          [&](const PixelRect&) { return area; });
      EXPECT_EQ(client.size(), fitted);
      const PixelRect frame = client.grownBy(kOpenbox);
      EXPECT_GE(frame.x, area.x);
      EXPECT_GE(frame.y, area.y);
      EXPECT_LE(frame.xEnd(), area.xEnd());
      EXPECT_LE(frame.yEnd(), area.yEnd());
      if (scale < 1) {
        // The largest: a pixel more would not fit.
        EXPECT_GT(design.height * scale + kOpenbox.top + kOpenbox.bottom + 1, area.height - 1);
      } else {
        EXPECT_EQ(fitted, design);
      }
      // A window shown again keeps the size it had.
      const PixelRect again = placeClient(
          {.client = design, .frame = kOpenbox, .at = PixelPoint{0, 0}, .primary = area},
          [&](const PixelRect&) { return area; });
      EXPECT_EQ(again.size(), design);
    }
  }
}

}  // namespace
}  // namespace kestrin::draw
