"""A 1366 x 768 laptop at 125 % or 150 % (QT_SCALE_FACTOR, from
KESTRIN_E2E_SCALE), under a window manager (openbox), where the designs at
that scale are taller than the screen: every window opens wholly on it,
frame included, with the paddle's row in sight. The launcher is worked by
keys alone, its focus frame moving from card to card; a maximised game
draws its whole design larger, centred, in its ground's margins; a click
on the scaled launcher lands on the card under the pointer."""

import os
import shutil
import sys

from placement import SCREEN, inside_screen
from screens import (BB_BRICKS, BB_PADDLE, BLACK, BRICK_BREAKER, BROWN, DODGE, GROUND, IMAGE1,
                     IMAGE2, LAUNCHER, WHITE, painted)
from xsession import SKIPPED, check, run, to_px

SCALE = float(os.environ.get("KESTRIN_E2E_SCALE", "1.5"))
FOCUS_BLUE = "#308cc6"  # the focus frame around a card
LAUNCHER_DESIGN = (699, 512)  # logical pixels
LEVEL_DESIGN = (889, 641)


class View:
    """Where a window draws its design, in device pixels of its client
    area: the largest scale that fits, centred (as host/common/design_view
    has it, to a pixel)."""

    def __init__(self, session, window, design):
        _, _, self.width, self.height = session.geometry(window)
        self.scale = min(self.width / design[0], self.height / design[1])
        self.left = (self.width - design[0] * self.scale) / 2
        self.top = (self.height - design[1] * self.scale) / 2

    def box(self, left, top, width, height):
        """A control's box in twips, in device pixels (x0, y0, x1, y1)."""
        return (round(self.left + to_px(left) * self.scale), round(self.top + to_px(top) * self.scale),
                round(self.left + to_px(left + width) * self.scale),
                round(self.top + to_px(top + height) * self.scale))

    def centre(self, control):
        x0, y0, x1, y1 = self.box(*control)
        return (x0 + x1) // 2, (y0 + y1) // 2


def near(a, b, slack=2):
    return all(abs(p - q) <= slack for p, q in zip(a, b))


def framed_card(shot, view):
    """Which card the focus frame is around: 1, 2, or None."""
    found = shot.blob(FOCUS_BLUE, (0, 0, shot.width, shot.height))
    if found is None:
        return None
    for number, card in ((1, IMAGE1), (2, IMAGE2)):
        x0, y0, x1, y1 = view.box(*card)
        if found[0] < x0 and found[2] >= x1 - 1 and found[1] < y0:
            return number
    return 0


def scenario(session):
    # The first window's frame is known once it is shown: it may be made
    # smaller then.
    launcher = session.window(LAUNCHER)
    frame = session.wait_for(lambda: (lambda f: f if inside_screen(f) else None)(
        session.frame(launcher)))
    check(frame, f"the launcher at {session.frame(launcher)} is not wholly on the screen")
    painted(session, launcher, WHITE)

    # The launcher by keys alone: the frame goes to the left card, the
    # right, the left again, and Enter opens Brick Breaker.
    session.xdotool("windowactivate", "--sync", launcher)
    check(session.wait_for(lambda: session.focus() == launcher), "the launcher has not got the keys")
    view = View(session, launcher, LAUNCHER_DESIGN)
    for key, card in (("Tab", 1), ("Right", 2), ("Left", 1)):
        session.xdotool("key", key)
        shot = session.wait_shot(launcher, lambda s, c=card: framed_card(s, view) == c)
        check(shot, f"after {key}, no focus frame around card {card}")
    shot.save(session.path("launcher-by-keys.png"))
    session.xdotool("key", "Return")
    game = session.window(BRICK_BREAKER)
    shot = painted(session, game, GROUND, "brickbreaker")
    frame = session.frame(game)
    check(inside_screen(frame), f"Brick Breaker at {frame} is not wholly on the screen")
    view = View(session, game, LEVEL_DESIGN)
    check(view.scale < SCALE, f"Brick Breaker is drawn at {view.scale}, not made smaller")
    # The paddle's row, whole, inside the window that is inside the screen.
    expected = view.box(*BB_PADDLE)
    x0, y0, x1, y1 = expected
    paddle = shot.blob(BLACK, (x0 - 4, y0 - 4, x1 + 4, y1 + 4), min_run=20)
    check(paddle, f"no paddle at {expected}")
    check(near(paddle, (expected[0], expected[1], expected[2] - 1, expected[3] - 1)),
          f"the paddle is at {paddle}, not {expected}")

    # Maximised: the whole design larger, centred, the margins ground.
    session.maximise(game)
    check(session.wait_for(lambda: session.geometry(game)[2] > view.width + 100, 5),
          "the window was not maximised")
    session.wait_for(lambda: False, 0.5)  # its paint after the resize
    big = View(session, game, LEVEL_DESIGN)
    shot = session.shot(game, "maximised")
    check(big.scale > view.scale, f"the maximised window draws at {big.scale}")
    bricks = shot.blob(BROWN, (0, 0, shot.width, shot.height), min_run=20)
    first, last = big.box(*BB_BRICKS[0]), big.box(*BB_BRICKS[-1])
    check(bricks and near((bricks[0], bricks[2]), (first[0], last[2] - 1), 3),
          f"the bricks span {bricks}, not {first[0]} to {last[2] - 1}")
    margin = (1, big.height // 2) if big.left >= 2 else (big.width // 2, 1)
    check(shot.pixel(*margin) == GROUND, f"the margin at {margin} is {shot.pixel(*margin)}")

    # Back on the launcher, a click on the right card as it is drawn.
    session.close_box(game)
    launcher = session.window(LAUNCHER)
    painted(session, launcher, WHITE)
    view = View(session, launcher, LAUNCHER_DESIGN)
    session.click(launcher, *view.centre(IMAGE2))
    dodge = session.window(DODGE)
    painted(session, dodge, GROUND, "dodge")
    frame = session.frame(dodge)
    check(inside_screen(frame), f"Dodge at {frame} is not wholly on the screen")
    session.close_box(dodge)
    session.close_box(session.window(LAUNCHER))
    status = session.exit_status(5)
    check(status == 0, f"kestrin ended with status {status}")


if __name__ == "__main__":
    if shutil.which("openbox") is None:
        print("SKIPPED: openbox is not installed")
        sys.exit(SKIPPED)
    run(scenario, screen=SCREEN, exact_screen=True, window_manager=["openbox"],
        env={"QT_SCALE_FACTOR": str(SCALE)})
