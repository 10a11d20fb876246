"""Where windows open on a 1366 x 768 screen with no window manager: the
launcher centred on the screen, a game centred on the launcher, and a game
that would reach past the screen's edge moved just inside it; the launcher
comes back where it was, moved by the player or not."""

from screens import BRICK_BREAKER, DODGE, IMAGE1, IMAGE2, LAUNCHER, WHITE, open_game, painted
from xsession import check, run

SCREEN = (1366, 768)


def centre_of(area):
    x, y, width, height = area
    return (x + width / 2, y + height / 2)


def near(a, b, slack=1):
    return all(abs(p - q) <= slack for p, q in zip(a, b))


def inside_screen(area):
    x, y, width, height = area
    return x >= 0 and y >= 0 and x + width <= SCREEN[0] and y + height <= SCREEN[1]


def closed_back_at(session, game, frame, where):
    """Closes the game with its close box; the launcher, shown and painted
    again where it stood before (with its frame: where)."""
    session.close_box(game)
    launcher = session.window(LAUNCHER)
    painted(session, launcher, WHITE)
    check(frame(launcher) == where, f"the launcher came back at {frame(launcher)}, not at {where}")
    return launcher


def placed(session, frame):
    """Checks the launcher centred on the screen, Brick Breaker centred on
    it, the launcher back where it was, then Dodge opened from a launcher
    moved near the bottom right corner. frame(window) is where a window
    stands with its frame. Returns the frames seen, by name."""
    seen = {}
    launcher = session.window(LAUNCHER)
    painted(session, launcher, WHITE)
    seen["launcher"] = frame(launcher)
    check(near(centre_of(seen["launcher"]), (683, 384), 20),
          f"the launcher at {seen['launcher']} is not centred on the screen")

    game = open_game(session, IMAGE1, BRICK_BREAKER)
    seen["brickbreaker"] = frame(game)
    session.shot(None, "brickbreaker-on-launcher")
    check(near(centre_of(seen["brickbreaker"]), centre_of(seen["launcher"])),
          f"Brick Breaker at {seen['brickbreaker']} is not centred on the launcher at "
          f"{seen['launcher']}")
    launcher = closed_back_at(session, game, frame, seen["launcher"])

    # Moved by the player: a game centred on it would pass the screen's
    # right and bottom edges.
    session.xdotool("windowmove", launcher, 600, 200)
    check(session.wait_for(lambda: frame(launcher) != seen["launcher"]), "the launcher did not move")
    seen["moved"] = frame(launcher)
    game = open_game(session, IMAGE2, DODGE)
    seen["dodge"] = frame(game)
    session.shot(None, "dodge-kept-inside")
    x, y, width, height = seen["dodge"]
    check((x + width, y + height) == SCREEN,
          f"Dodge at {seen['dodge']} is not moved the least way inside the screen")
    closed_back_at(session, game, frame, seen["moved"])
    return seen


def scenario(session):
    seen = placed(session, session.geometry)
    check(seen["launcher"] == (333, 128, 699, 512), f"the launcher is at {seen['launcher']}")
    check(seen["brickbreaker"] == (238, 64, 889, 641), f"Brick Breaker is at {seen['brickbreaker']}")


if __name__ == "__main__":
    run(scenario, screen=SCREEN, exact_screen=True)
