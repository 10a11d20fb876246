#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

#include "host/web/page.h"
#include "shell/host.h"

namespace kestrin::web {

// The program's time in a page: microseconds of the page's clock since
// start-up, standing still while held (a box open, the page hidden) and
// going on from where it stood when let go, as if no time had passed.
class PageClock final : public Clock {
 public:
  explicit PageClock(const Page& page) : page_(page), originMs_(page.now()) {}

  // Start-up: the clock reads 0 now.
  void restart() {
    originMs_ = page_.now();
    heldAt_.reset();
    floor_ = 0;
  }
  std::int64_t now() const override { return heldAt_ ? *heldAt_ : reading(); }
  void hold(bool still) {
    if (still && !heldAt_) {
      heldAt_ = reading();
    } else if (!still && heldAt_) {
      originMs_ = page_.now() - static_cast<double>(*heldAt_) / 1000;
      floor_ = *heldAt_;  // never back, however the sum above rounds
      heldAt_.reset();
    }
  }
  bool held() const { return heldAt_.has_value(); }

 private:
  std::int64_t reading() const {
    const double micros = std::floor((page_.now() - originMs_) * 1000);
    return micros <= static_cast<double>(floor_) ? floor_ : static_cast<std::int64_t>(micros);
  }

  const Page& page_;
  double originMs_;
  std::optional<std::int64_t> heldAt_;
  std::int64_t floor_ = 0;  // where it last stood still
};

}  // namespace kestrin::web
