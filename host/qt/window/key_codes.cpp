#include "host/qt/window/key_codes.h"

#include <array>
#include <utility>

#include "shell/keys.h"

namespace kestrin::qt {

namespace {

using Pair = std::pair<int, std::int16_t>;

// Keys whose code does not follow from a range below.
constexpr std::array kNamedKeys{
    // The keys the games and the model tell apart.
    Pair{Qt::Key_Tab, keys::kTab},      Pair{Qt::Key_Backtab, keys::kTab},
    Pair{Qt::Key_Return, keys::kEnter}, Pair{Qt::Key_Enter, keys::kEnter},
    Pair{Qt::Key_Space, keys::kSpace},  Pair{Qt::Key_Left, keys::kLeft},
    Pair{Qt::Key_Up, keys::kUp},        Pair{Qt::Key_Right, keys::kRight},
    Pair{Qt::Key_Down, keys::kDown},
    // Every other key that has a code.
    Pair{Qt::Key_Backspace, 8},   Pair{Qt::Key_Clear, 12},      Pair{Qt::Key_Shift, 16},
    Pair{Qt::Key_Control, 17},    Pair{Qt::Key_Alt, 18},        Pair{Qt::Key_AltGr, 18},
    Pair{Qt::Key_Pause, 19},      Pair{Qt::Key_CapsLock, 20},   Pair{Qt::Key_Escape, 27},
    Pair{Qt::Key_PageUp, 33},     Pair{Qt::Key_PageDown, 34},   Pair{Qt::Key_End, 35},
    Pair{Qt::Key_Home, 36},       Pair{Qt::Key_Select, 41},     Pair{Qt::Key_Print, 44},
    Pair{Qt::Key_Insert, 45},     Pair{Qt::Key_Delete, 46},     Pair{Qt::Key_Help, 47},
    Pair{Qt::Key_Meta, 91},       Pair{Qt::Key_Super_L, 91},    Pair{Qt::Key_Super_R, 92},
    Pair{Qt::Key_Menu, 93},       Pair{Qt::Key_NumLock, 144},   Pair{Qt::Key_ScrollLock, 145},
    // US layout punctuation, shifted or not.
    Pair{Qt::Key_Semicolon, 186}, Pair{Qt::Key_Colon, 186},     Pair{Qt::Key_Equal, 187},
    Pair{Qt::Key_Plus, 187},      Pair{Qt::Key_Comma, 188},     Pair{Qt::Key_Less, 188},
    Pair{Qt::Key_Minus, 189},     Pair{Qt::Key_Underscore, 189}, Pair{Qt::Key_Period, 190},
    Pair{Qt::Key_Greater, 190},   Pair{Qt::Key_Slash, 191},     Pair{Qt::Key_Question, 191},
    Pair{Qt::Key_QuoteLeft, 192}, Pair{Qt::Key_AsciiTilde, 192}, Pair{Qt::Key_BracketLeft, 219},
    Pair{Qt::Key_BraceLeft, 219}, Pair{Qt::Key_Backslash, 220}, Pair{Qt::Key_Bar, 220},
    Pair{Qt::Key_BracketRight, 221}, Pair{Qt::Key_BraceRight, 221}, Pair{Qt::Key_Apostrophe, 222},
    Pair{Qt::Key_QuoteDbl, 222},
    // Shifted digits on a US keyboard.
    Pair{Qt::Key_ParenRight, 48}, Pair{Qt::Key_Exclam, 49},     Pair{Qt::Key_At, 50},
    Pair{Qt::Key_NumberSign, 51}, Pair{Qt::Key_Dollar, 52},     Pair{Qt::Key_Percent, 53},
    Pair{Qt::Key_AsciiCircum, 54}, Pair{Qt::Key_Ampersand, 55}, Pair{Qt::Key_Asterisk, 56},
    Pair{Qt::Key_ParenLeft, 57},
};

constexpr std::array kKeypadKeys{
    Pair{Qt::Key_Asterisk, 106}, Pair{Qt::Key_Plus, 107}, Pair{Qt::Key_Minus, 109},
    Pair{Qt::Key_Period, 110},   Pair{Qt::Key_Comma, 110}, Pair{Qt::Key_Slash, 111},
};

std::optional<std::int16_t> find(const auto& table, int key) {
  for (const auto& [qtKey, code] : table) {
    if (qtKey == key) return code;
  }
  return std::nullopt;
}

std::int16_t code(int value) { return static_cast<std::int16_t>(value); }

}  // namespace

std::optional<std::int16_t> virtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (modifiers.testFlag(Qt::KeypadModifier)) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return code(96 + (qtKey - Qt::Key_0));
    if (auto keypad = find(kKeypadKeys, qtKey)) return keypad;
  }
  // Letters and digits have the same values in both schemes.
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return code(qtKey);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return code(qtKey);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return code(112 + (qtKey - Qt::Key_F1));
  return find(kNamedKeys, qtKey);
}

std::int16_t shiftMask(int qtKey, Qt::KeyboardModifiers modifiers, bool pressed) {
  int mask = 0;
  if (modifiers.testFlag(Qt::ShiftModifier)) mask |= keys::kShiftMask;
  if (modifiers.testFlag(Qt::ControlModifier)) mask |= keys::kCtrlMask;
  if (modifiers.testFlag(Qt::AltModifier)) mask |= keys::kAltMask;
  int own = 0;
  if (qtKey == Qt::Key_Shift) own = keys::kShiftMask;
  if (qtKey == Qt::Key_Control) own = keys::kCtrlMask;
  if (qtKey == Qt::Key_Alt) own = keys::kAltMask;
  mask = pressed ? (mask | own) : (mask & ~own);
  return static_cast<std::int16_t>(mask);
}

}  // namespace kestrin::qt
