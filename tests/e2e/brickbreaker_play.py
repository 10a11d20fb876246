"""Brick Breaker as it opens, a held arrow that moves the paddle until it is
let go, and the space bar that launches the ball."""

import time

from screens import (BB_BALL, BB_BRICKS, BB_PADDLE, BB_START, BLACK, BRICK_BREAKER, BROWN, IMAGE1,
                     PLAYFIELD, RED, centre, inside, open_game, shown)
from xsession import box, check, run


def paddle(shot):
    """The paddle's left and right ends, from the middle of its row."""
    x0, _, x1, _ = inside(box(*PLAYFIELD))
    found = shot.blob(BLACK, (x0, centre(box(*BB_PADDLE))[1], x1, centre(box(*BB_PADDLE))[1] + 1))
    check(found, "no paddle on its row")
    return found[0], found[2]


def hold(session, game, key, seconds, name):
    """Holds an arrow, lets it go; the paddle's ends just after, and the
    check that it has stopped there."""
    session.xdotool("keydown", key)
    time.sleep(seconds)
    session.xdotool("keyup", key)
    time.sleep(0.1)
    moved = paddle(session.shot(game, name))
    time.sleep(0.3)
    check(paddle(session.shot(game)) == moved, f"the paddle still moves after {key} was let go")
    return moved


def scenario(session):
    game = open_game(session, IMAGE1, BRICK_BREAKER)
    check(session.geometry(game)[2:] == (889, 641), "the level 1 window is not 889 x 641")
    shot = session.shot(game, "opened")
    check(shown(shot, BB_START), "no \"Press Space Bar To Start\"")
    check(shot.pixel(*centre(box(*BB_BALL))) == RED, "no red ball at its place")
    check(shot.pixel(*centre(box(*BB_PADDLE))) == BLACK, "no black paddle at its place")
    for i, brick in enumerate(BB_BRICKS):
        x, y = centre(box(*brick))
        check(shot.pixel(x, y) == BROWN, f"brick {i} is not brown")
        check(shot.pixel(x, box(*brick)[1]) == BLACK, f"brick {i} has no black outline")
    start = paddle(shot)
    check(start == (box(*BB_PADDLE)[0], box(*BB_PADDLE)[2] - 1), f"the paddle is at {start}")

    # A few ticks' worth of a held arrow: the paddle goes that way, not to a wall.
    left = hold(session, game, "Left", 0.25, "left")
    check(left[0] < start[0] - 20 and left[0] > box(*PLAYFIELD)[0] + 1,
          f"Left moved the paddle from {start} to {left}")
    right = hold(session, game, "Right", 0.25, "right")
    check(right[0] > left[0] + 20, f"Right moved the paddle from {left} to {right}")

    ball = box(*BB_BALL)
    session.xdotool("key", "space")
    time.sleep(0.3)
    shot = session.shot(game, "launched")
    flying = shot.blob(RED, inside(box(*PLAYFIELD)))
    check(flying, "the ball is gone from the playfield")
    check(not shown(shot, BB_START), "\"Press Space Bar To Start\" is still shown")
    check(flying[3] < ball[1] and flying[2] < ball[0],
          f"the ball is at {flying}, not up and to the left of its start {ball}")


run(scenario)
