"""Windows destroyed by another X client (XDestroyWindow) count as closed:
a game's brings the launcher back, whose own window, destroyed while it was
hidden, is made anew where it was; the launcher's, with no game, ends the
program with status 0."""

from screens import BRICK_BREAKER, IMAGE1, LAUNCHER, WHITE, open_game, painted
from xsession import check, run


def scenario(session):
    launcher = session.window(LAUNCHER)
    painted(session, launcher, WHITE)
    place = session.geometry(launcher)
    game = open_game(session, IMAGE1, BRICK_BREAKER)
    session.xdotool("key", "space")  # a ball in flight, its timer ticking

    session.destroy(launcher)  # hidden
    session.destroy(game)
    check(session.wait_for(lambda: not session.windows(BRICK_BREAKER)), "the game still shows")
    again = session.window(LAUNCHER)
    check(again != launcher, "the launcher shows in the window that was destroyed")
    painted(session, again, WHITE, "launcher-again")
    check(session.geometry(again) == place,
          f"the launcher came back at {session.geometry(again)}, not at {place}")
    check(session.wait_for(lambda: session.focus() == again), "the launcher has not got the keys")

    session.destroy(again)
    status = session.exit_status(5)
    check(status is not None, "kestrin still runs without a window")
    check(status == 0, f"kestrin ended with status {status}")


run(scenario)
