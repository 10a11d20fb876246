"""Under QT_SCALE_FACTOR=2 every window is twice as many device pixels and
the shapes stay sharp: a brick's outline is exactly two black device pixels
between its brown fill and its neighbour's or the ground, with no blend."""

from screens import (BB_BRICKS, BLACK, BRICK_BREAKER, BROWN, GROUND, IMAGE1, LAUNCHER, WHITE,
                     open_game, painted)
from xsession import box, check, run

SCALE = 2


def scenario(session):
    launcher = session.window(LAUNCHER)
    check(session.geometry(launcher)[2:] == (1398, 1024), "the launcher is not 2 x 699 x 512")
    painted(session, launcher, WHITE, "launcher")

    game = open_game(session, IMAGE1, BRICK_BREAKER, scale=SCALE)
    size = session.geometry(game)[2:]
    check(size == (1778, 1282), f"level 1 is {size[0]} x {size[1]}, not 1778 x 1282")
    shot = session.shot(game, "brickbreaker")

    # Brick 3 (between bricks 2 and 4, on the ground under the playfield's top).
    x0, y0, x1, y1 = box(*BB_BRICKS[3], scale=SCALE)
    x = (x0 + x1) // 2
    down_top = shot.column(x, y0 - 3, y0 + 4)
    check(down_top == [GROUND] * 3 + [BLACK] * 2 + [BROWN] * 2,
          f"across the top edge: {down_top}")
    down_bottom = shot.column(x, y1 - 4, y1 + 3)
    check(down_bottom == [BROWN] * 2 + [BLACK] * 2 + [GROUND] * 3,
          f"across the bottom edge: {down_bottom}")
    # Neighbours share their outline: one line, not two, between two fills.
    across = shot.row((y0 + y1) // 2, x0 - 4, x0 + 4)
    check(across == [BROWN] * 4 + [BLACK] * 2 + [BROWN] * 2,
          f"across brick 3's left edge: {across}")


run(scenario, screen=(2048, 1536), env={"QT_SCALE_FACTOR": str(SCALE)})
