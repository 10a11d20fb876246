"""At a fractional display scale (QT_SCALE_FACTOR, from KESTRIN_E2E_SCALE),
Dodge left alone until the first lost life: the playfield shows the game's
own objects and nothing else. Every place the ball passed through was
painted over whole, with no outline pixels left behind."""

import math
import os

from screens import (DODGE, DODGE_LOST_LIFE, DODGE_PLAYER, DODGE_RESET, GROUND, IMAGE2,
                     LAUNCHER, PLAYFIELD, RED, WHITE)
from xsession import check, run, to_px

SCALE = float(os.environ.get("KESTRIN_E2E_SCALE", "1.5"))


def device(left, top, width, height, grow=0):
    """A control's box in twips as the device pixels it touches, whole or in
    part, grown by `grow` (x0, y0, x1, y1, x1 and y1 exclusive)."""
    return (math.floor(to_px(left) * SCALE) - grow, math.floor(to_px(top) * SCALE) - grow,
            math.ceil(to_px(left + width) * SCALE) + grow,
            math.ceil(to_px(top + height) * SCALE) + grow)


def text_in(shot, area):
    """True when text shows in the box: many dark pixels, thinly spread (a
    ball passing through fills most of the box its pixels span)."""
    dark = shot.find("#000000", area)
    if len(dark) < 100:
        return False
    xs, ys = [p[0] for p in dark], [p[1] for p in dark]
    return len(dark) < 0.5 * (max(xs) - min(xs) + 1) * (max(ys) - min(ys) + 1)


def scenario(session):
    launcher = session.window(LAUNCHER)
    session.wait_shot(launcher, lambda s: s.pixel(10, 10) == WHITE)
    x0, y0, x1, y1 = device(*IMAGE2)
    session.click(launcher, (x0 + x1) // 2, (y0 + y1) // 2)
    game = session.window(DODGE)

    # Standing still, the first ball reaches the player in the 287th tick.
    shot = session.wait_shot(game, lambda s: text_in(s, device(*DODGE_LOST_LIFE)), 30)
    check(shot, "no lost life within 30 s")
    shot.save(session.path("lost-life.png"))

    # Inside the playfield's outline, every pixel is ground but for the
    # player, "Lost Life", "Reset" and the ball (red inside its dark ring).
    field = device(*PLAYFIELD, grow=-2)
    objects = [device(*DODGE_PLAYER, grow=1), device(*DODGE_LOST_LIFE, grow=1),
               device(*DODGE_RESET, grow=2)]
    ball = shot.blob(RED, field)
    if ball:
        objects.append((ball[0] - 4, ball[1] - 4, ball[2] + 5, ball[3] + 5))
    stray = []
    for y in range(field[1], field[3]):
        for x in range(field[0], field[2]):
            if any(a[0] <= x < a[2] and a[1] <= y < a[3] for a in objects):
                continue
            if shot.pixel(x, y) != GROUND:
                stray.append((x, y, shot.pixel(x, y)))
    check(not stray, f"{len(stray)} pixels in the playfield belong to no object, "
                     f"the first {stray[:5]} (the ball at {ball})")


run(scenario, screen=(1600, 1200), env={"QT_SCALE_FACTOR": str(SCALE)})
