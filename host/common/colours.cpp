#include "host/common/colours.h"

namespace kestrin::draw {

Rgb rgbOf(Colour colour) {
  if (isSchemeColour(colour)) {
    switch (colour & 0xFFu) {
      case 9: return {0xFF, 0xFF, 0xFF};   // title-bar text
      case 15: return {0xF0, 0xF0, 0xF0};  // button face
      case 8:                              // window text
      case 18:                             // button text
      default: return {0x00, 0x00, 0x00};
    }
  }
  return {static_cast<std::uint8_t>(colour & 0xFFu), static_cast<std::uint8_t>((colour >> 8) & 0xFFu),
          static_cast<std::uint8_t>((colour >> 16) & 0xFFu)};
}

}  // namespace kestrin::draw
