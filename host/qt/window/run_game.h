#pragma once

#include <functional>

#include "host/qt/window/application.h"
#include "host/qt/window/qt_host.h"
#include "host/qt/window/tick_alarm.h"

namespace kestrin::qt {

// The game in its real windows until it ends, as `kestrin` runs it: the
// exit status. The programs that run the same host around the game
// (kestrin-record) add to it in `prepare`, which runs once the host exists
// and before the first screen shows, so observers it adds hear the whole
// run. Whatever start-up throws ends the process through app.fail().
int runGame(Application& app, SteadyClock& clock,
            const std::function<void(QtHost&)>& prepare = {});

}  // namespace kestrin::qt
