"""Sessions played in the real windows, recorded with kestrin-record
--trace; the script it wrote, run by kestrin-replay, must print the very
trace the session had, every line equal as parsed JSON. One mode a test
(KESTRIN_E2E_RECORDED):

  level        Brick Breaker's level 1 cleared by kestrin-xplay, the paddle
               steered by held arrows; the recording stopped (SIGTERM) once
               level 2 shows
  resets       Dodge to "Game Over", Reset once by a click, once by Tab and
               Space, once by Tab and Enter; Enter answers the Game Over
               box and the recorder ends by itself
  close_boxes  a game closed by its close box, the other opened from the
               launcher and closed, then the launcher closed
  busy         Brick Breaker with held arrows while busy loops beside it
               keep the cores loaded, so that ticks come late
  away         under openbox, Dodge with Right held while the player
               switches to another program's window and lets go there:
               the player stops, and no tick runs until Dodge is active
               again; then a pause by P and play on by P again

    KESTRIN_E2E_RECORDED=MODE KESTRIN_REPLAY=kestrin-replay \\
    [KESTRIN_XPLAY=kestrin-xplay] python3 recorded.py KESTRIN-RECORD OUTDIR

Leaves session.script, recorded.trace and replayed.trace in OUTDIR.
"""

import collections
import json
import os
import signal
import subprocess
import sys
import time

from screens import (BLACK, BRICK_BREAKER, BRICK_BREAKER_2, DODGE, DODGE_RESET, DODGE_SCORE,
                     GROUND, IMAGE1, IMAGE2, LAUNCHER, PLAYFIELD, WHITE, answer_game_over, centre,
                     inside, open_game, painted, shown)
from windows import back_to_launcher
from xsession import box, check, run

SCRIPT, RECORDED, REPLAYED = "session.script", "recorded.trace", "replayed.trace"


def first_difference(recorded, replayed):
    """The index of the first line where two traces differ as parsed JSON
    (one ending before the other differs there), or None."""
    for i, (a, b) in enumerate(zip(recorded, replayed)):
        if json.loads(a) != json.loads(b):
            return i
    return None if len(recorded) == len(replayed) else min(len(recorded), len(replayed))


def differing(a, b, path=""):
    """Where two parsed JSON values differ: 'path: a != b' for each leaf."""
    if isinstance(a, dict) and isinstance(b, dict):
        return [d for key in sorted(set(a) | set(b), key=str)
                for d in differing(a.get(key), b.get(key), f"{path}.{key}")]
    return [] if a == b else [f"{path[1:] or 'line'}: {json.dumps(a)} != {json.dumps(b)}"]


def replay_and_compare(session, commands, stop=False):
    """The shared end of every mode: stops the recording (SIGTERM) or sees
    it end by itself, runs the script through kestrin-replay and compares
    the two traces whole; checks too that the recorder never said the
    script is not exact and that the script holds each of commands (a
    line, or a line's first words). Returns the recorded trace, parsed."""
    if stop:
        session.kestrin.send_signal(signal.SIGTERM)
    status = session.exit_status(10)
    check(status is not None, "kestrin-record still runs")
    check(status == 0, f"kestrin-record ended with status {status}")

    with open(session.path("kestrin.log"), errors="replace") as log:
        said = [line.strip() for line in log if line.startswith("kestrin-record:")]
    with open(session.path(SCRIPT)) as f:
        script = f.read().splitlines()
    kinds = collections.Counter(line.split()[0] for line in script if line.strip())
    print(f"script: {len(script)} lines, " + ", ".join(f"{n} {k}" for k, n in sorted(kinds.items())))
    print("".join(line + "\n" for line in said), end="")

    with open(session.path(REPLAYED), "wb") as out:
        done = subprocess.run([os.environ["KESTRIN_REPLAY"], session.path(SCRIPT)], stdout=out,
                              stderr=subprocess.PIPE, timeout=60)
    check(done.returncode == 0, f"kestrin-replay ended with status {done.returncode}: "
                                f"{done.stderr.decode(errors='replace').strip()}")
    with open(session.path(RECORDED)) as a, open(session.path(REPLAYED)) as b:
        recorded, replayed = a.read().splitlines(), b.read().splitlines()
    check(recorded, "the recorded trace is empty")
    at = first_difference(recorded, replayed)
    if at is not None:
        for name, lines in (("recorded", recorded), ("replayed", replayed)):
            print(f"{name} line {at + 1}: " + (lines[at] if at < len(lines) else "(none)"))
        if at < min(len(recorded), len(replayed)):
            print("differing (recorded != replayed):\n  " + "\n  ".join(
                differing(json.loads(recorded[at]), json.loads(replayed[at]))[:10]))
    check(at is None, f"the replay parts from the session at trace line {at and at + 1} "
                      f"of {len(recorded)} recorded ({len(replayed)} replayed)")
    print(f"trace: {len(recorded)} lines, the same in the replay")

    inexact = [line for line in script if "not exact" in line]
    check(not inexact, f"the script says it is not exact: {inexact[:1]}")
    check(not said, f"the recorder says: {said[:1]}")
    for command in commands:
        check(any(line == command or line.startswith(command + " ") for line in script),
              f"no {command!r} in the script")
    return [json.loads(line) for line in recorded]


def held_arrows(session, game, seconds):
    """Launches the ball and steers the paddle with arrows held in turn."""
    session.xdotool("key", "space")
    until = time.monotonic() + seconds
    arrows = ("Left", "Right")
    while time.monotonic() < until:
        session.xdotool("keydown", arrows[0])
        time.sleep(0.4)
        session.xdotool("keyup", arrows[0])
        arrows = arrows[::-1]
    session.shot(game, "played")


BB_KEYS = ["click Main Image1", "keydown 32", "keydown 37", "keyup 37", "keydown 39", "keyup 39"]


def level(session):
    player = session.spawn("xplay", [os.environ["KESTRIN_XPLAY"], "brickbreaker"])
    started = time.monotonic()
    level2 = session.wait_for(lambda: session.windows(BRICK_BREAKER_2) or player.poll(), 80)
    check(player.poll() is None, f"kestrin-xplay ended with status {player.poll()} before "
                                 "level 2 showed (xplay.log says how the game went)")
    check(level2, "level 2 did not show in 80 s")
    print(f"level 1 cleared in {time.monotonic() - started:.1f} s")
    painted(session, level2[0], GROUND, "level-2")
    session.stop(player)
    trace = replay_and_compare(session, BB_KEYS, stop=True)
    check(any("frmKestrinBrickBreakerLvl2" in line.get("screens", {}) for line in trace),
          "level 2 is never loaded in the trace")


def resets(session):
    game = open_game(session, IMAGE2, DODGE)
    # Up held for some 35 ticks: the ball meets the player soon, and again
    # soon after each Reset (as in dodge_game_over).
    session.xdotool("keydown", "Up")
    time.sleep(0.55)
    session.xdotool("keyup", "Up")
    for hit, keys in enumerate((None, "space", "Return"), 1):
        check(session.wait_shot(game, lambda s: shown(s, DODGE_RESET), 20), f"hit {hit} did not come")
        if keys is None:
            session.click(game, *centre(box(*DODGE_RESET)))
        else:
            session.xdotool("key", "Tab")
            session.xdotool("key", keys)
        if hit < 3:
            check(session.wait_shot(game, lambda s: not shown(s, DODGE_RESET)),
                  f"\"Reset\" still shows after hit {hit}")
    answer_game_over(session, game)
    trace = replay_and_compare(session, ["click Main Image2", "keydown 38", "keyup 38",
                                         "click frmKestrinDodge cmdReset", "keydown 9",
                                         "keydown 32", "keydown 13"])
    check(any(line.get("msgbox", {}).get("text") == "Game Over" for line in trace),
          "no Game Over box in the trace")
    check(trace[-1].get("event") == "end", "the trace does not end with the program")


def close_boxes(session):
    game = open_game(session, IMAGE1, BRICK_BREAKER)
    session.xdotool("key", "space")
    time.sleep(0.5)
    back_to_launcher(session, game, BRICK_BREAKER)
    game = open_game(session, IMAGE2, DODGE)
    time.sleep(0.5)
    launcher = back_to_launcher(session, game, DODGE)
    session.close_box(launcher)
    trace = replay_and_compare(session, ["click Main Image1", "keydown 32",
                                         "close frmKestrinBrickBreaker", "click Main Image2",
                                         "close frmKestrinDodge", "close Main"])
    check(trace[-1].get("event") == "end", "the trace does not end with the program")


def busy(session):
    # One busy loop a core and one more: the game's ticks wait their turn.
    for i in range(os.cpu_count() + 1):
        session.spawn(f"busy-{i}", [sys.executable, "-c", "while 1: pass"])
    game = open_game(session, IMAGE1, BRICK_BREAKER)
    held_arrows(session, game, 6)
    replay_and_compare(session, BB_KEYS, stop=True)


def away(session):
    session.spawn("elsewhere", ["xmessage", "-geometry", "+0+0", "another program"])
    other = session.window("xmessage", 10)
    game = open_game(session, IMAGE2, DODGE)
    field = inside(box(*PLAYFIELD))

    def player(shot):
        return shot.blob(BLACK, field, min_run=20)

    def score(shot):
        return shot.crop(box(*DODGE_SCORE))

    start = player(session.shot(game))
    check(start, "no player in the playfield")
    session.xdotool("keydown", "Right")
    check(session.wait_shot(game, lambda s: player(s)[0] > start[0] + 20),
          "Right does not move the player")
    # To the other program, and Right let go there: the game never hears
    # of it from the window system, and stands still meanwhile.
    session.xdotool("windowactivate", "--sync", other)
    check(session.wait_for(lambda: session.focus() == other), "the other program has not got the keys")
    session.xdotool("keyup", "Right")
    # The program hears of the lost focus after the window system has moved
    # it: the picture dimmed is the sign that it has, and stands still.
    before = session.wait_shot(game, lambda s: s.pixel(5, 5) != GROUND)
    check(before, "the game did not pause when another window became active")
    before.save(session.path("away.png"))
    session.wait_for(lambda: False, 1)
    after = session.shot(game)
    check(score(after) == score(before), "the score went on while another window was active")
    check(player(after) == player(before), "the player moved while another window was active")
    # Back: play goes on, and the player stays where it was let go.
    session.xdotool("windowactivate", "--sync", game)
    check(session.wait_shot(game, lambda s: score(s) != score(after)), "play did not go on")
    stopped = player(session.shot(game))
    session.wait_for(lambda: False, 0.5)
    check(player(session.shot(game, "back")) == stopped, "the player goes on moving: Right stuck")
    # P pauses: "Paused" over the game dimmed, and nothing ticks.
    session.xdotool("key", "p")
    paused = session.wait_shot(game, lambda s: s.pixel(5, 5) != GROUND)
    check(paused, "P did not pause the game")
    paused.save(session.path("paused.png"))
    session.wait_for(lambda: False, 1)
    check(score(session.shot(game)) == score(paused), "the score went on while paused")
    session.xdotool("key", "p")
    check(session.wait_shot(game, lambda s: s.pixel(5, 5) == GROUND and score(s) != score(paused)),
          "P again did not play on")
    session.close_box(game)
    launcher = session.window(LAUNCHER)
    painted(session, launcher, WHITE)
    session.close_box(launcher)
    trace = replay_and_compare(session, ["click Main Image2", "keydown 39", "keyup 39",
                                         "close frmKestrinDodge", "close Main"])
    check(trace[-1].get("event") == "end", "the trace does not end with the program")


MODES = {"level": level, "resets": resets, "close_boxes": close_boxes, "busy": busy, "away": away}
# The modes that need a window manager: without one, no window is active
# unless something gives it the focus.
SESSION = {"away": {"window_manager": ["openbox"]}}

if __name__ == "__main__":
    name = os.environ["KESTRIN_E2E_RECORDED"]
    mode = MODES[name]
    recorder = None
    if len(sys.argv) == 3:  # else run() says how to call it
        # The recordings of the run before are written over.
        recorder = [sys.argv[1], os.path.join(sys.argv[2], SCRIPT), "--trace",
                    os.path.join(sys.argv[2], RECORDED), "--overwrite"]
    run(mode, command=recorder, **SESSION.get(name, {}))
