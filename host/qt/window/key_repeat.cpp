#include "host/qt/window/key_repeat.h"

namespace kestrin::qt {

void KeyRepeatFilter::press(std::int16_t code, std::int16_t shift, std::uint64_t timestamp) {
  if (held_ && held_->stroke.code == code && held_->timestamp == timestamp) {
    held_.reset();  // the held release was half of a repeat: the key never went up
  } else {
    flush();
  }
  sink_({.down = true, .code = code, .shift = shift});
}

void KeyRepeatFilter::release(std::int16_t code, std::int16_t shift, std::uint64_t timestamp,
                              bool autoRepeat) {
  flush();
  if (autoRepeat) return;  // the key is still held; its next press follows
  held_ = Held{.stroke = {.down = false, .code = code, .shift = shift}, .timestamp = timestamp};
}

void KeyRepeatFilter::flush() {
  if (!held_) return;
  const KeyStroke stroke = held_->stroke;
  held_.reset();  // before the sink runs: it may feed the filter again
  sink_(stroke);
}

}  // namespace kestrin::qt
