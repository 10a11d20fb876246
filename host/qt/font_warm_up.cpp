#include "font_warm_up.h"

#ifdef KESTRIN_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace kestrin::qt {

FontWarmUp::FontWarmUp() {
#ifdef KESTRIN_HAVE_FONTCONFIG
  // FcInit loads the default configuration, the one Qt's font database asks
  // for; once it is loaded FcInit does nothing.
  thread_ = std::thread([] { FcInit(); });
#endif
}

FontWarmUp::~FontWarmUp() { wait(); }

void FontWarmUp::wait() {
  if (thread_.joinable()) thread_.join();
}

}  // namespace kestrin::qt
