// kestrin: the game collection in real windows.
#include "host/qt/application.h"
#include "host/qt/game.h"
#include "host/qt/tick_alarm.h"

int main(int argc, char** argv) {
  kestrin::qt::SteadyClock clock;
  kestrin::qt::Application app(argc, argv);
  return kestrin::qt::runGame(app, clock);
}
