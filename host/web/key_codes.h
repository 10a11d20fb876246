#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrin::web {

// The virtual key code (shell/keys.h) of a key as the browser names it
// (KeyboardEvent.code: the key's place on the keyboard, "KeyA",
// "ArrowLeft", "Numpad4"), as a US keyboard gives it on the desktop; none
// for a key the games never see.
std::optional<std::int16_t> virtualKeyCode(std::string_view code);

// The browser's modifier flags, as the shift mask the handlers receive. A
// modifier key's own bit is set while it goes down and clear when it comes
// up, whatever the browser says of it, as on the desktop.
struct Modifiers {
  bool shift = false, ctrl = false, alt = false;
};
std::int16_t shiftMask(std::string_view code, Modifiers modifiers, bool down);

}  // namespace kestrin::web
