"""Under a window manager (openbox): windows open where they do without one,
frames included, and stay wholly on the 1366 x 768 screen; "Reset" shows
its focus after Tab; the Game Over box stands over the last tick ("Lives"
0) and is wide enough for its whole title."""

import shutil
import sys

from placement import SCREEN, inside_screen, placed
from screens import (BB_LIVES, BB_RESET, BRICK_BREAKER, IMAGE1, answer_game_over, centre,
                     open_game, shown)
from xsession import SKIPPED, box, check, run

FOCUS_BLUE = 60  # a focus frame pixel: blue above red by more than this


def focus_pixels(shot, control):
    x0, y0, x1, y1 = box(*control)
    count = 0
    for y in range(y0, y1):
        for x in range(x0, x1):
            red, blue = int(shot.pixel(x, y)[1:3], 16), int(shot.pixel(x, y)[5:7], 16)
            count += blue > red + FOCUS_BLUE
    return count


def scenario(session):
    seen = placed(session, session.frame)
    for name, frame in seen.items():
        check(inside_screen(frame), f"{name} at {frame} is not wholly on the screen")
    check(seen["launcher"][1] > 0, "no room above the launcher for its title bar")

    # Three balls lost with the paddle at the left wall; the first Reset by
    # Tab and Space, the second by a click.
    game = open_game(session, IMAGE1, BRICK_BREAKER)
    session.xdotool("key", "space")
    session.xdotool("keydown", "Left")
    session.wait_for(lambda: False, 1)  # long enough to reach the wall
    session.xdotool("keyup", "Left")
    lives = None
    for ball in (1, 2):
        lost = session.wait_shot(game, lambda s: shown(s, BB_RESET), 15)
        check(lost, f"ball {ball} was not lost")
        lives = lost.crop(box(*BB_LIVES))
        if ball == 1:
            check(focus_pixels(lost, BB_RESET) == 0, "\"Reset\" shows a focus it has not got")
            session.xdotool("key", "Tab")
            framed = session.wait_shot(game, lambda s: focus_pixels(s, BB_RESET) > 100)
            check(framed, "no focus frame on \"Reset\" after Tab")
            framed.save(session.path("reset-focus.png"))
            session.xdotool("key", "space")
        else:
            session.click(game, *centre(box(*BB_RESET)))
        check(session.wait_shot(game, lambda s: not shown(s, BB_RESET)),
              f"\"Reset\" still shows after it was pressed for ball {ball}")

    def box_window():
        others = [w for w in session.windows(BRICK_BREAKER) if w != game]
        return others[0] if others else None

    found = session.wait_for(box_window, 30)
    check(found, "no Game Over box")
    shot = session.wait_shot(game, lambda s: s.crop(box(*BB_LIVES)) != lives, 2)
    check(shot, "the lives behind the Game Over box are those of the tick before")
    session.wait_shot(found, lambda s: s.pixel(2, 2) != "#000000")  # the box painted
    session.shot(None, "game-over-screen")  # to be looked at: the box's whole title
    answer_game_over(session, game)


if __name__ == "__main__":
    if shutil.which("openbox") is None:
        print("SKIPPED: openbox is not installed")
        sys.exit(SKIPPED)
    run(scenario, screen=SCREEN, exact_screen=True, window_manager=["openbox"])
