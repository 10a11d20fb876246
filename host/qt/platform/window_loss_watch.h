#pragma once

#include <functional>

#include <QAbstractNativeEventFilter>
#include <QWindow>

namespace kestrin::qt {

// Tells when another client destroys one of the program's windows under
// it (an XDestroyWindow from outside). Qt's xcb plugin does nothing then:
// the widget still counts as shown and the program runs on with no window
// (Qt's later requests on the window fail with BadWindow errors, which it
// does not report). Active on X11 only, where the build has xcb's headers
// (cmake/Platform.cmake); elsewhere it never reports.
class WindowLossWatch final : public QAbstractNativeEventFilter {
 public:
  // Told of every window destroyed, the program's own doing too.
  using Lost = std::function<void(WId)>;

  // Installs itself on the running application, where it is on X11.
  explicit WindowLossWatch(Lost lost);
  ~WindowLossWatch() override;
  WindowLossWatch(const WindowLossWatch&) = delete;
  WindowLossWatch& operator=(const WindowLossWatch&) = delete;

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  Lost lost_;
  bool installed_ = false;
};

}  // namespace kestrin::qt
