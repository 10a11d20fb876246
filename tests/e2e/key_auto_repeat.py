"""A held arrow with the X server's auto-repeat on: the paddle moves at one
speed all the while (the repeats are neither key-ups nor stops) and stops
within a tick or two of the real release.

The paddle crosses the whole playfield in about 1.3 s, so it is held from
the left wall for 1.25 s: past the repeat delay, short of the right wall."""

import time

from screens import BB_PADDLE, BLACK, BRICK_BREAKER, IMAGE1, PLAYFIELD, centre, inside, open_game
from xsession import TICK, box, check, run

HOLD = 1.25
STEP = 100 / 15  # pixels a tick
NOMINAL = STEP / TICK  # pixels a second


def paddle_left(session, game):
    """The paddle's left end, from one row of pixels across the playfield."""
    x0, _, x1, _ = inside(box(*PLAYFIELD))
    y = centre(box(*BB_PADDLE))[1]
    found = session.grab(game, (x0, y, x1, y + 1)).blob(BLACK, (0, 0, x1 - x0, 1))
    check(found, "no paddle on its row")
    return x0 + found[0]


def scenario(session):
    delay, interval = session.auto_repeat()
    check(delay + 5 * interval < HOLD, f"a repeat delay of {delay} s leaves too few repeats")
    game = open_game(session, IMAGE1, BRICK_BREAKER)

    session.xdotool("keydown", "Left")
    wall = inside(box(*PLAYFIELD))[0]
    check(session.wait_for(lambda: paddle_left(session, game) == wall),
          "the paddle did not reach the left wall")
    session.xdotool("keyup", "Left")
    time.sleep(0.1)

    start = time.monotonic()
    session.xdotool("keydown", "Right")
    samples = []  # (seconds since the key went down, paddle's left end)
    while time.monotonic() - start < HOLD:
        taken = time.monotonic() - start
        samples.append((taken, paddle_left(session, game)))
        time.sleep(0.01)
    session.xdotool("keyup", "Right")
    released = time.monotonic() - start
    time.sleep(0.15)
    stopped = paddle_left(session, game)
    session.shot(game, "released")
    time.sleep(0.3)
    check(paddle_left(session, game) == stopped, "the paddle still moves after the key-up")

    # Steady all the while: never six ticks without a move, and the same
    # speed once the repeats come as before (a busy machine measured within
    # a few per cent of the same).
    for taken, at in samples:
        later = [p for t, p in samples if t >= taken + 6 * TICK]
        check(not later or later[0] > at, f"the paddle stood still from {taken:.2f} s, held")

    def speed(since, until):
        part = [(t, p) for t, p in samples if since <= t <= until]
        check(len(part) >= 2, f"too few screenshots between {since} and {until} s")
        return (part[-1][1] - part[0][1]) / (part[-1][0] - part[0][0])

    before, during = speed(0, delay), speed(delay + 2 * interval, HOLD)
    print(f"paddle speed: {before:.0f} px/s before the repeats, {during:.0f} px/s with them, "
          f"{NOMINAL:.0f} px/s at 64 ticks a second")
    check(before > 0.3 * NOMINAL, f"the paddle moved at {before:.0f} px/s before the repeats")
    check(during > 0.85 * before, f"the repeats slowed the paddle to {during:.0f} px/s")

    # The last shot may show a frame a tick old; two ticks more after the
    # key-up at most.
    last_taken, last_at = samples[-1]
    allowed = last_at + STEP * ((released - last_taken) / TICK + 3)
    print(f"stopped at {stopped} px, {stopped - last_at} px past the last shot "
          f"{(released - last_taken) * 1000:.0f} ms before the key-up; at most {allowed:.1f} px")
    check(stopped <= allowed, f"the paddle went on to {stopped} px, past {allowed:.1f} px")


run(scenario)
