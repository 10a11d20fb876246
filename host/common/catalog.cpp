#include "catalog.h"

#include <memory>

#include "brickbreaker/level.h"
#include "dodge/dodge.h"
#include "launcher/launcher.h"

namespace kestrin {

void addKestrinScreens(Program& program) { addKestrinScreensThrough(program, nullptr); }

void addKestrinScreensThrough(Program& program, const FactoryWrap& wrap) {
  const auto add = [&program, &wrap](const ScreenDesign& design, FormFactory factory) {
    program.add(design, wrap ? wrap(design.name, std::move(factory)) : std::move(factory));
  };
  using brickbreaker::frmKestrinBrickBreaker;
  using brickbreaker::LevelLinks;
  using brickbreaker::LevelRules;
  namespace names = designs::names;

  add(designs::kMain, [](Screen& s) {
    return std::make_unique<launcher::Main>(
        s, launcher::Main::Games{.brickBreaker = names::kBrickBreaker, .dodge = names::kDodge});
  });

  const auto level = [&add](const ScreenDesign& design, const LevelRules& rules,
                                std::string_view nextLevel) {
    const LevelLinks links{.nextLevel = nextLevel,
                           .twoHitsLeft = designs::kBrickDarkRed,
                           .oneHitLeft = designs::kBrickBrown};
    add(design, [&rules, links](Screen& s) {
      return std::make_unique<frmKestrinBrickBreaker>(s, rules, links);
    });
  };
  level(designs::kBrickBreakerLevel1, brickbreaker::kLevel1, names::kBrickBreakerLvl2);
  level(designs::kBrickBreakerLevel2, brickbreaker::kLevel2, names::kBrickBreakerLvl3);
  level(designs::kBrickBreakerLevel3, brickbreaker::kLevel3, {});

  add(designs::kDodge,
              [](Screen& s) { return std::make_unique<dodge::frmKestrinDodge>(s); });
}

}  // namespace kestrin
