#include "host/web/button.h"

namespace kestrin::web {

namespace {

// A light push button with a one-pixel border, as current desktops draw them.
constexpr std::uint32_t kFace = 0xE1E1E1;
constexpr std::uint32_t kPressedFace = 0xCCE4F7;
constexpr std::uint32_t kBorder = 0xADADAD;
constexpr std::uint32_t kFocusBorder = 0x0078D7;
constexpr std::uint32_t kPressedBorder = 0x005499;
constexpr std::uint32_t kCaption = 0x000000;
constexpr int kFocusInset = 3;

}  // namespace

void drawButton(DrawList& list, const draw::PixelRect& box, std::u16string_view caption,
                const draw::Face& face, ButtonLook look) {
  if (box.isEmpty()) return;
  const double x = box.x, y = box.y, w = box.width, h = box.height;
  const std::uint32_t border = look.pressed ? kPressedBorder : look.focused ? kFocusBorder : kBorder;
  list.fillRect(x, y, w, h, border);
  list.fillRect(x + 1, y + 1, w - 2, h - 2, look.pressed ? kPressedFace : kFace);
  if (look.focused && w > 2 * kFocusInset && h > 2 * kFocusInset) {
    list.focusFrame(x + kFocusInset, y + kFocusInset, w - 2 * kFocusInset, h - 2 * kFocusInset);
  }
  // The caption centred, a pixel down and right while pressed, clipped to
  // the inside of the border.
  const double shift = look.pressed ? 1 : 0;
  const double originX = x + (w - face.advance(caption)) / 2 + shift;
  const double originY = y + (h - face.lineHeight()) / 2 + face.ascent() + shift;
  list.pushClip(x + 1, y + 1, w - 2, h - 2);
  DrawListPath path(list);
  face.outline(caption, {originX, originY}, path);
  list.fillPath(kCaption);
  list.popClip();
}

}  // namespace kestrin::web
