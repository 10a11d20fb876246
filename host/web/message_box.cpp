#include "host/web/message_box.h"

#include <algorithm>
#include <cmath>

#include "host/common/caption_layout.h"
#include "host/web/button.h"
#include "host/web/web_host.h"

namespace kestrin::web {

namespace {

constexpr double kTextPixels = 16;     // the browser's own text size
constexpr double kTitlePixels = 14;    // the title bar's (site/page.css)
constexpr int kMargin = 12;
constexpr int kSpacing = 12;
constexpr int kButtonMinWidth = 75;
constexpr int kCloseBoxWidth = 32;     // site/page.css: .kw-close
// The title bar's text is in the browser's face, not the program's; the
// widest common one sets a title some 30 % wider than the program's face.
constexpr double kTitleFaceWidth = 1.3;
constexpr std::uint32_t kGround = 0xF0F0F0;
constexpr std::uint32_t kText = 0x000000;

}  // namespace

MessageBoxLayout::MessageBoxLayout(std::string_view text, std::string_view title,
                                   const Desktop& desktop, std::optional<PageRect> over) {
  const draw::Face face(kTextPixels, false);
  const std::u16string text16 = draw::toUtf16(text);
  const int line = static_cast<int>(face.lineHeight());
  const int buttonWidth = std::max(kButtonMinWidth, static_cast<int>(std::ceil(face.advance(u"OK"))) + 24);
  const int buttonHeight = line + 10;
  const int titleWidth = static_cast<int>(
      std::ceil(draw::Face(kTitlePixels, false).advance(draw::toUtf16(title)) * kTitleFaceWidth)) +
      16 + kCloseBoxWidth;
  const int width = std::max({static_cast<int>(std::ceil(face.naturalWidth(text16))) + 2 * kMargin,
                              buttonWidth + 2 * kMargin, titleWidth});
  const int height = kMargin + line + 2 * kSpacing + buttonHeight + kMargin;

  const PageRect area = over.value_or(PageRect{0, 0, desktop.width, desktop.height});
  PageRect client{area.x + (area.width - width) / 2, area.y + (area.height - height) / 2, width, height};
  // Kept inside the desktop, its title bar within reach.
  client.x = std::clamp(client.x, desktop.frameLeft, std::max(desktop.frameLeft, desktop.width - width - desktop.frameRight));
  client.y = std::clamp(client.y, desktop.frameTop, std::max(desktop.frameTop, desktop.height - height - desktop.frameBottom));

  const double ratio = desktop.devicePixelRatio;
  const PageRect device{0, 0, static_cast<int>(std::ceil(width * ratio)),
                        static_cast<int>(std::ceil(height * ratio))};
  const PageRect ok{width - kMargin - buttonWidth, height - kMargin - buttonHeight, buttonWidth, buttonHeight};
  list_.begin(ratio, kGround, std::span(&device, 1));
  DrawListPath path(list_);
  face.outline(text16, {kMargin, kMargin + std::round(face.ascent())}, path);
  list_.fillPath(kText);
  // The default button: Enter answers the box, so it shows the focus.
  drawButton(list_, {ok.x, ok.y, ok.width, ok.height}, u"OK", face, {.focused = true});
  list_.end();
  view_ = {.client = client, .deviceWidth = device.width, .deviceHeight = device.height, .ok = ok,
           .commands = list_.commands()};
}

}  // namespace kestrin::web
