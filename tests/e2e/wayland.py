"""Kestrin as a Wayland client: weston with its output in an X window on
Xvfb, Qt on its wayland platform. The launcher opens Brick Breaker, a held
arrow moves the paddle, the window's own close button brings the launcher
back, and the launcher's ends the program with status 0. A Wayland client
cannot be found or placed from outside, so each window is found by its
pixels on the compositor's output."""

import glob
import os
import shutil
import sys
import time

from screens import BB_BRICKS, BB_PADDLE, BLACK, BROWN, IMAGE1, PLAYFIELD, WHITE, centre, inside
from xsession import SKIPPED, box, check, run

LAUNCHER_SIZE = (699, 512)
LEVEL1_WIDTH = 889


def launcher(session):
    """The launcher's client area on the output (x0, y0, x1, y1 inclusive),
    once it is shown: its white ground."""
    def find():
        shot = session.shot(session.compositor)
        area = shot.blob(WHITE, (0, 0, shot.width, shot.height), min_run=600)
        if area and (area[2] - area[0] + 1, area[3] - area[1] + 1) == LAUNCHER_SIZE:
            return area
        return None
    found = session.wait_for(find, 10)
    check(found, "no launcher (a white 699 x 512 area) on the compositor's output")
    return found


def level1_origin(shot):
    """Level 1's client origin on the output, from its row of bricks, or None."""
    bricks = shot.blob(BROWN, (0, 0, shot.width, shot.height), min_run=40)
    if bricks is None:
        return None
    first = inside(box(*BB_BRICKS[0]))
    return bricks[0] - first[0], bricks[1] - first[1]


def paddle_left(shot, origin):
    x0, _, x1, _ = inside(box(*PLAYFIELD))
    y = centre(box(*BB_PADDLE))[1]
    found = shot.blob(BLACK, (origin[0] + x0, origin[1] + y, origin[0] + x1, origin[1] + y + 1))
    check(found, "no paddle on its row")
    return found[0] - origin[0]


def close_button(session, left, top, width):
    """Clicks the close button Qt draws at the right end of a window's title
    bar, above its client area."""
    shot = session.shot(session.compositor)
    cross = shot.blob(BLACK, (left + width - 30, max(top - 32, 0), left + width, top - 2))
    check(cross, "no close button on the title bar")
    session.click(session.compositor, *centre(cross))


def scenario(session):
    area = launcher(session)
    session.shot(session.compositor, "launcher")
    picture = box(*IMAGE1)
    session.click(session.compositor, area[0] + centre(picture)[0], area[1] + centre(picture)[1])

    origin = session.wait_for(lambda: level1_origin(session.shot(session.compositor)), 10)
    check(origin, "Brick Breaker did not open")
    shot = session.shot(session.compositor, "level1")
    start = paddle_left(shot, origin)
    check(start == box(*BB_PADDLE)[0], f"the paddle starts at {start}")
    session.xdotool("keydown", "Left")
    time.sleep(0.3)
    session.xdotool("keyup", "Left")
    time.sleep(0.2)
    moved = paddle_left(session.shot(session.compositor, "left"), origin)
    check(moved < start - 20, f"Left moved the paddle from {start} to {moved}")
    time.sleep(0.3)
    check(paddle_left(session.shot(session.compositor), origin) == moved,
          "the paddle still moves after Left was let go")

    close_button(session, origin[0], origin[1], LEVEL1_WIDTH)
    area = launcher(session)
    check(level1_origin(session.shot(session.compositor, "launcher-again")) is None,
          "Brick Breaker is still shown")
    close_button(session, area[0], area[1], LAUNCHER_SIZE[0])
    status = session.exit_status(5)
    check(status is not None, "kestrin still runs after its last window was closed")
    check(status == 0, f"kestrin ended with status {status}")


if not shutil.which("weston") or not glob.glob("/usr/lib/*/qt6/plugins/platforms/libqwayland-*.so"):
    print("SKIPPED: weston or Qt's Wayland platform (Debian weston, qt6-wayland) is not installed")
    sys.exit(SKIPPED)
# Under the sanitizers, Mesa's leak (tools/sanitizers/lsan.supp) is only
# told apart with full stacks: the slow unwinder, for this one scenario.
asan = os.environ.get("ASAN_OPTIONS")
run(scenario, wayland=True,
    env={"ASAN_OPTIONS": asan + ":fast_unwind_on_malloc=0"} if asan else None)
