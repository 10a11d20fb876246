#pragma once

#include <thread>

namespace kestrin::qt {

// The launcher's first frame draws a caption, and the first text a program
// draws makes fontconfig read its configuration (some seventy XML files on
// Debian) and its caches: about a third of the work before the first frame,
// waiting for nothing but a processor. A FontWarmUp has fontconfig do that on
// a thread of its own from the moment the program starts, while the main
// thread connects to the window system and makes the window; Qt's font
// database then finds fontconfig ready.
//
// Only fontconfig is called on the thread (it is thread-safe; loading its
// configuration twice at once would only be wasted work); Qt's font database
// is filled on the main thread, as ever. Where there is no fontconfig the
// thread does nothing.
class FontWarmUp {
 public:
  // Starts the thread.
  FontWarmUp();
  // Waits for the thread.
  ~FontWarmUp();
  FontWarmUp(const FontWarmUp&) = delete;
  FontWarmUp& operator=(const FontWarmUp&) = delete;

  // Until fontconfig's configuration is loaded. Called before the first
  // text, so that Qt does not start loading it a second time meanwhile.
  void wait();

 private:
  std::thread thread_;
};

}  // namespace kestrin::qt
