#pragma once

#include <cstdint>
#include <optional>

#include <Qt>

namespace kestrin::qt {

// The virtual key code the key handlers receive for a Qt key, or none for a
// key that has no code. Shifted symbols give their unshifted key's code, as
// on a US keyboard (Shift+1 is 49 with the Shift bit set); keypad digits and
// operators have codes of their own.
std::optional<std::int16_t> virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);

// The handlers' Shift mask (1 Shift, 2 Ctrl, 4 Alt) as it stands once the
// key event has happened: pressing Shift sets the Shift bit, releasing it
// clears it, whatever the platform reports for the modifier key itself.
std::int16_t shiftMask(int qtKey, Qt::KeyboardModifiers modifiers, bool pressed);

}  // namespace kestrin::qt
