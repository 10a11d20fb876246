"""The launcher opens each game; a game's close box brings the launcher back
and a game opened again starts afresh; the launcher's close box ends the
program with status 0."""

from screens import (BB_BALL, BRICK_BREAKER, DODGE, IMAGE1, IMAGE2, LAUNCHER, RED, WHITE, centre,
                     open_game, painted)
from xsession import box, check, run


def back_to_launcher(session, game, title):
    session.close_box(game)
    launcher = session.window(LAUNCHER)
    check(session.wait_for(lambda: not session.windows(title)), f"{title} is still shown")
    check(session.wait_for(lambda: session.focus() == launcher), "the launcher has not got the keys")
    return launcher


def scenario(session):
    launcher = session.window(LAUNCHER)
    check(session.geometry(launcher)[2:] == (699, 512), "the launcher is not 699 x 512")
    painted(session, launcher, WHITE, "launcher")

    # A ball in flight is forgotten when its window closes.
    game = open_game(session, IMAGE1, BRICK_BREAKER)
    ball = centre(box(*BB_BALL))
    session.xdotool("key", "space")
    check(session.wait_for(lambda: session.shot(game).pixel(*ball) != RED),
          "the ball did not leave")
    back_to_launcher(session, game, BRICK_BREAKER)
    game = open_game(session, IMAGE1, BRICK_BREAKER)
    shot = session.shot(game, "brickbreaker-again")
    check(shot.pixel(*ball) == RED, "Brick Breaker opened again does not start from its design")
    back_to_launcher(session, game, BRICK_BREAKER)

    game = open_game(session, IMAGE2, DODGE)
    check(session.geometry(game)[2:] == (889, 653), "the Dodge window is not 889 x 653")
    session.shot(game, "dodge")
    launcher = back_to_launcher(session, game, DODGE)
    painted(session, launcher, WHITE, "launcher-again")

    session.close_box(launcher)
    status = session.exit_status(5)
    check(status is not None, "kestrin still runs after its last window was closed")
    check(status == 0, f"kestrin ended with status {status}")


if __name__ == "__main__":
    run(scenario)
