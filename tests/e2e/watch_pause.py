"""kestrin-watch pauses on P or Pause only: the script's clock stands still
from one press to the next (the score of a Dodge game stands), and runs on
while another program's window is active (under openbox).

    KESTRIN_WATCH=kestrin-watch python3 watch_pause.py KESTRIN OUTDIR
"""

import os
import shutil
import sys

from screens import DODGE, DODGE_SCORE, GROUND, painted
from xsession import SKIPPED, box, check, run


def swinging(seconds):
    """Dodge played by a script that swings the player right and left,
    118 ticks each way: its first life is lost only after 36 s, so the
    score moves whenever the script's clock runs, however slowly a loaded
    machine lets the scenario go. (A player left standing loses a life in
    4.5 s, after which the score stands.)"""
    lines = ["click Main Image2", "keydown 39", "ticks 59", "keyup 39"]
    for swing in range(seconds * 64 // 118):
        key = 37 if swing % 2 == 0 else 39
        lines += [f"keydown {key}", "ticks 118", f"keyup {key}"]
    return "\n".join(lines) + "\n"


SCRIPT = swinging(100)


def scenario(session):
    game = session.window(DODGE, 10)
    painted(session, game, GROUND)

    def score(shot):
        return shot.crop(box(*DODGE_SCORE))

    def standing(seconds):
        """The score as it stands for that long, or None where it moved."""
        first = score(session.shot(game))
        session.wait_for(lambda: False, seconds)
        return first if score(session.shot(game)) == first else None

    check(not standing(0.5), "the watch does not play")
    session.xdotool("windowactivate", "--sync", game)
    for key in ("p", "Pause"):
        session.xdotool("key", key)
        check(session.wait_shot(game, lambda s: s.pixel(5, 5) != GROUND), f"{key} shows no pause")
        check(standing(1), f"the script's clock ran on after {key}")
        session.xdotool("key", key)
        check(session.wait_shot(game, lambda s: s.pixel(5, 5) == GROUND), f"{key} again: still paused")
        check(not standing(0.5), f"{key} again did not play on")
    # Another program's window active: the watch plays on.
    session.spawn("elsewhere", ["xmessage", "-geometry", "+0+0", "another program"])
    other = session.window("xmessage", 10)
    session.xdotool("windowactivate", "--sync", other)
    check(session.wait_for(lambda: session.focus() == other), "the other program has not got the keys")
    check(not standing(0.5), "the watch paused when its window lost the focus")


if __name__ == "__main__":
    if shutil.which("openbox") is None:
        print("SKIPPED: openbox is not installed")
        sys.exit(SKIPPED)
    os.makedirs(sys.argv[2], exist_ok=True)
    script = os.path.join(sys.argv[2], "dodge.replay")
    with open(script, "w") as f:
        f.write(SCRIPT)
    run(scenario, window_manager=["openbox"], command=[os.environ["KESTRIN_WATCH"], script])
