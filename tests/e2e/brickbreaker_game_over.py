"""Brick Breaker with the paddle kept at the left wall: each ball falls past
it, "Lost Life" and "Reset" show and the lives go down; "Reset" plays on; the
third ball lost is the Game Over box, and Enter on it ends the program. All
that text was drawn without a font file or fontconfig's caches read."""

import time

from screens import (BB_LIVES, BB_LOST_LIFE, BB_RESET, BRICK_BREAKER, IMAGE1, answer_game_over,
                     centre, open_game, shown)
from xsession import box, check, run


def scenario(session):
    game = open_game(session, IMAGE1, BRICK_BREAKER)
    shot = session.shot(game)
    check(not shown(shot, BB_RESET) and not shown(shot, BB_LOST_LIFE),
          "\"Reset\" or \"Lost Life\" shows before a ball is lost")
    lives = shot.crop(box(*BB_LIVES))

    session.xdotool("key", "space")
    session.xdotool("keydown", "Left")
    time.sleep(1)  # long enough to reach the wall
    session.xdotool("keyup", "Left")

    # With the paddle at the wall the ball's path is the same every time:
    # two balls lost, then the third ends the game in the tick that loses it.
    for ball in (1, 2):
        lost = session.wait_shot(game, lambda s: shown(s, BB_RESET), 15)
        check(lost, f"ball {ball} was not lost")
        lost.save(session.path(f"lost-ball-{ball}.png"))
        check(shown(lost, BB_LOST_LIFE), f"no \"Lost Life\" for ball {ball}")
        check(lost.crop(box(*BB_LIVES)) != lives, f"the lives did not change for ball {ball}")
        lives = lost.crop(box(*BB_LIVES))

        session.click(game, *centre(box(*BB_RESET)))
        check(session.wait_shot(
            game, lambda s: not shown(s, BB_RESET) and not shown(s, BB_LOST_LIFE)),
              f"\"Reset\" or \"Lost Life\" still shows after Reset for ball {ball}")

    # The box stands over the tick that ended the game: no life left.
    check(session.wait_for(lambda: len(session.windows(BRICK_BREAKER)) > 1, 30), "no Game Over box")
    check(session.wait_shot(game, lambda s: s.crop(box(*BB_LIVES)) != lives, 2),
          "the lives behind the Game Over box are those of the tick before")
    # Every word on the screens and in the box is drawn from the face
    # compiled into the program.
    with open(f"/proc/{session.kestrin.pid}/maps", encoding="utf-8") as maps:
        read = {line.split()[-1] for line in maps
                if line.rstrip().endswith((".ttf", ".otf", ".pfb", ".pcf.gz"))
                or ("fontconfig" in line and ".cache-" in line)}
    check(not read, f"font files read: {sorted(read)}")
    answer_game_over(session, game)


run(scenario)
