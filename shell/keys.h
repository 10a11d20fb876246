#pragma once

#include <cstdint>

// Virtual key codes as the key handlers receive them.
namespace kestrin::keys {

inline constexpr std::int16_t kTab = 9;
inline constexpr std::int16_t kEnter = 13;
inline constexpr std::int16_t kSpace = 32;
inline constexpr std::int16_t kLeft = 37;
inline constexpr std::int16_t kUp = 38;
inline constexpr std::int16_t kRight = 39;
inline constexpr std::int16_t kDown = 40;
// Pause the program (never reach a game's handler).
inline constexpr std::int16_t kPause = 19;
inline constexpr std::int16_t kP = 80;

// Shift masks.
inline constexpr std::int16_t kShiftMask = 1;
inline constexpr std::int16_t kCtrlMask = 2;
inline constexpr std::int16_t kAltMask = 4;

}  // namespace kestrin::keys
