#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace kestrin::qt {

struct KeyStroke {
  bool down = true;
  std::int16_t code = 0;
  std::int16_t shift = 0;
};

// Turns the window system's key events into the model's: a held key gives
// repeated key-downs and one key-up when it is let go.
//
// Under X a held key repeats as Release + Press pairs. Qt marks most of them
// as auto-repeat, but at some repeat rates a pair comes unmarked, told apart
// only by the press carrying the release's timestamp. So a plain release is
// held back until the next key event or a short wait shows it was real: a
// press of the same key at the same timestamp cancels it.
class KeyRepeatFilter {
 public:
  using Sink = std::function<void(const KeyStroke&)>;
  explicit KeyRepeatFilter(Sink sink) : sink_(std::move(sink)) {}

  void press(std::int16_t code, std::int16_t shift, std::uint64_t timestamp);
  void release(std::int16_t code, std::int16_t shift, std::uint64_t timestamp, bool autoRepeat);

  // True while a release is held back: the host lets it go with flush()
  // after a short wait, or before any other event reaches the model.
  bool holding() const { return held_.has_value(); }
  void flush();

 private:
  struct Held {
    KeyStroke stroke;
    std::uint64_t timestamp;
  };

  Sink sink_;
  std::optional<Held> held_;
};

}  // namespace kestrin::qt
