#include "host/qt/platform/window_loss_watch.h"

#include <utility>

#include <QCoreApplication>
#include <QGuiApplication>

#ifdef KESTRIN_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace kestrin::qt {

// Built without xcb's headers, it never installs itself and never reports.
WindowLossWatch::WindowLossWatch(Lost lost) : lost_(std::move(lost)) {
#ifdef KESTRIN_HAVE_XCB
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    QCoreApplication::instance()->installNativeEventFilter(this);
    installed_ = true;
  }
#endif
}

WindowLossWatch::~WindowLossWatch() {
  if (installed_ && QCoreApplication::instance() != nullptr) {
    QCoreApplication::instance()->removeNativeEventFilter(this);
  }
}

bool WindowLossWatch::nativeEventFilter(const QByteArray& eventType, void* message,
                                        qintptr* /*result*/) {
#ifdef KESTRIN_HAVE_XCB
  if (eventType != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  // Only the server's own: with the top bit set, another client sent it,
  // and the window is still there.
  if (event->response_type == XCB_DESTROY_NOTIFY) {
    lost_(static_cast<const xcb_destroy_notify_event_t*>(message)->window);
  }
#else
  (void)eventType;
  (void)message;
#endif
  return false;
}

}  // namespace kestrin::qt
