#include "catalog.h"

#include <memory>

#include "brickbreaker/level.h"
#include "designs/designs.h"
#include "dodge/dodge.h"
#include "shell/launcher.h"

namespace kestrin {

void addKestrinScreens(Program& program) {
  using brickbreaker::BrickBreakerLevel;
  program.add(designs::kMain, [](Screen& s) { return std::make_unique<Main>(s); });
  program.add(designs::kBrickBreakerLevel1, [](Screen& s) {
    return std::make_unique<BrickBreakerLevel>(s, brickbreaker::kLevel1);
  });
  program.add(designs::kBrickBreakerLevel2, [](Screen& s) {
    return std::make_unique<BrickBreakerLevel>(s, brickbreaker::kLevel2);
  });
  program.add(designs::kBrickBreakerLevel3, [](Screen& s) {
    return std::make_unique<BrickBreakerLevel>(s, brickbreaker::kLevel3);
  });
  program.add(designs::kDodge,
              [](Screen& s) { return std::make_unique<dodge::frmKestrinDodge>(s); });
}

}  // namespace kestrin
