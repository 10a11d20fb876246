#include "host/web/key_codes.h"

#include <array>
#include <utility>

#include "shell/keys.h"

namespace kestrin::web {

namespace {

using Pair = std::pair<std::string_view, std::int16_t>;

constexpr std::array kNamedKeys{
    // The keys the games and the model tell apart.
    Pair{"Tab", keys::kTab}, Pair{"Enter", keys::kEnter}, Pair{"NumpadEnter", keys::kEnter},
    Pair{"Space", keys::kSpace}, Pair{"ArrowLeft", keys::kLeft}, Pair{"ArrowUp", keys::kUp},
    Pair{"ArrowRight", keys::kRight}, Pair{"ArrowDown", keys::kDown},
    // Every other key that has a code.
    Pair{"Backspace", 8}, Pair{"NumpadClear", 12}, Pair{"ShiftLeft", 16}, Pair{"ShiftRight", 16},
    Pair{"ControlLeft", 17}, Pair{"ControlRight", 17}, Pair{"AltLeft", 18}, Pair{"AltRight", 18},
    Pair{"Pause", 19}, Pair{"CapsLock", 20}, Pair{"Escape", 27}, Pair{"PageUp", 33},
    Pair{"PageDown", 34}, Pair{"End", 35}, Pair{"Home", 36}, Pair{"Select", 41},
    Pair{"PrintScreen", 44}, Pair{"Insert", 45}, Pair{"Delete", 46}, Pair{"Help", 47},
    Pair{"MetaLeft", 91}, Pair{"OSLeft", 91}, Pair{"MetaRight", 92}, Pair{"OSRight", 92},
    Pair{"ContextMenu", 93}, Pair{"NumLock", 144}, Pair{"ScrollLock", 145},
    // US layout punctuation.
    Pair{"Semicolon", 186}, Pair{"Equal", 187}, Pair{"Comma", 188}, Pair{"Minus", 189},
    Pair{"Period", 190}, Pair{"Slash", 191}, Pair{"Backquote", 192}, Pair{"BracketLeft", 219},
    Pair{"Backslash", 220}, Pair{"BracketRight", 221}, Pair{"Quote", 222},
    // The keypad's operators.
    Pair{"NumpadMultiply", 106}, Pair{"NumpadAdd", 107}, Pair{"NumpadSubtract", 109},
    Pair{"NumpadDecimal", 110}, Pair{"NumpadComma", 110}, Pair{"NumpadDivide", 111},
};

// The number after `prefix` in `code`, within 0..last; none otherwise.
std::optional<int> numbered(std::string_view code, std::string_view prefix, int last) {
  if (!code.starts_with(prefix) || code.size() == prefix.size() || code.size() > prefix.size() + 2) {
    return std::nullopt;
  }
  int n = 0;
  for (char c : code.substr(prefix.size())) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (code.size() == prefix.size() + 2 && code[prefix.size()] == '0') return std::nullopt;
  return n <= last ? std::optional<int>(n) : std::nullopt;
}

std::int16_t key(int value) { return static_cast<std::int16_t>(value); }

}  // namespace

std::optional<std::int16_t> virtualKeyCode(std::string_view code) {
  // Letters and digits are their upper-case ASCII codes.
  if (code.size() == 4 && code.starts_with("Key") && code[3] >= 'A' && code[3] <= 'Z') {
    return key(code[3]);
  }
  if (auto digit = numbered(code, "Digit", 9); digit && code.size() == 6) return key('0' + *digit);
  if (auto keypad = numbered(code, "Numpad", 9); keypad && code.size() == 7) return key(96 + *keypad);
  if (auto f = numbered(code, "F", 24); f && *f >= 1) return key(111 + *f);
  for (const auto& [name, vk] : kNamedKeys) {
    if (name == code) return vk;
  }
  return std::nullopt;
}

std::int16_t shiftMask(std::string_view code, Modifiers modifiers, bool down) {
  int mask = 0;
  if (modifiers.shift) mask |= keys::kShiftMask;
  if (modifiers.ctrl) mask |= keys::kCtrlMask;
  if (modifiers.alt) mask |= keys::kAltMask;
  int own = 0;
  if (code.starts_with("Shift")) own = keys::kShiftMask;
  if (code.starts_with("Control")) own = keys::kCtrlMask;
  if (code.starts_with("Alt")) own = keys::kAltMask;
  mask = down ? (mask | own) : (mask & ~own);
  return static_cast<std::int16_t>(mask);
}

}  // namespace kestrin::web
