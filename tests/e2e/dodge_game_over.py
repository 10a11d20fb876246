"""Dodge: the red ball moves inside the playfield, the player moves with a
held arrow and stops when it is let go; each hit shows "Lost Life" and
"Reset" and takes a life; after the last one, "Reset" brings the Game Over
box (titled "Kestrin Brick Breaker"), and Enter on it ends the program."""

import time

from screens import (BLACK, DODGE, DODGE_BALL, DODGE_BLUE, DODGE_LIVES, DODGE_LOST_LIFE,
                     DODGE_PINK, DODGE_PLAYER, DODGE_RESET, IMAGE2, PLAYFIELD, RED,
                     answer_game_over, centre, inside, open_game, shown)
from xsession import TICK, box, check, run

# Past an edge by under a step before it turns: 115 twips at most.
FIELD = inside(box(*PLAYFIELD), margin=8)


def ball(shot, name):
    found = shot.blob(RED, FIELD)
    check(found, f"no red ball in the playfield ({name})")
    for colour in (DODGE_BLUE, DODGE_PINK):
        check(not shot.find(colour, FIELD), f"a ball not yet in play shows ({name})")
    return found


def player(shot, name):
    found = shot.blob(BLACK, inside(box(*PLAYFIELD)), min_run=30)
    check(found, f"no player in the playfield ({name})")
    return found


def scenario(session):
    game = open_game(session, IMAGE2, DODGE)
    first = session.shot(game, "opened")
    check(player(first, "opened") == (*box(*DODGE_PLAYER)[:2], box(*DODGE_PLAYER)[2] - 1,
                                      box(*DODGE_PLAYER)[3] - 1), "the player is not at its place")

    # Up for about 35 ticks, then still: the ball from the corner meets the
    # player some 15 ticks later, and again soon after each Reset. (Held for
    # 26 to 44 ticks it is the same; shorter or longer, the hits come later.)
    session.xdotool("keydown", "Up")
    let_go = time.monotonic() + 0.55
    time.sleep(0.3)
    moving = session.shot(game, "moving")
    went = player(moving, "moving")
    check(went[0] == player(first, "opened")[0] and went[1] < player(first, "opened")[1] - 30,
          f"Up did not move the player straight up, but to {went}")
    check(ball(moving, "moving") != ball(first, "opened"), "the ball does not move")
    time.sleep(max(0.0, let_go - time.monotonic()))
    session.xdotool("keyup", "Up")

    # A hit stops play with the ball hidden behind the player, and the player
    # maybe partly behind "Lost Life": the design puts each in front.
    lives = first.crop(box(*DODGE_LIVES))
    still = None
    for hit in (1, 2, 3):
        shot = session.wait_shot(game, lambda s: shown(s, DODGE_RESET), 20)
        check(shot, f"hit {hit} did not come")
        shot.save(session.path(f"hit-{hit}.png"))
        check(shown(shot, DODGE_LOST_LIFE), f"no \"Lost Life\" after hit {hit}")
        check(shot.crop(box(*DODGE_LIVES)) != lives, f"the lives did not change after hit {hit}")
        lives = shot.crop(box(*DODGE_LIVES))
        clicked = time.monotonic()
        session.click(game, *centre(box(*DODGE_RESET)))
        if hit == 3:
            break
        shot = session.wait_shot(
            game, lambda s: not shown(s, DODGE_RESET) and not shown(s, DODGE_LOST_LIFE))
        check(shot, f"\"Reset\" or \"Lost Life\" still shows after Reset for hit {hit}")
        # Back in its corner, give or take the ticks since the click.
        ticks = (time.monotonic() - clicked) / TICK
        restart = ball(shot, f"after Reset {hit}")
        corner = box(*DODGE_BALL)
        check(abs(restart[0] - corner[0]) <= 6 * ticks + 4
              and abs(restart[1] - corner[1]) <= 6 * ticks + 4,
              f"Reset did not put the ball back at {corner[:2]}, but at {restart[:2]}, "
              f"{ticks:.0f} ticks after the click")
        still = still or player(shot, "after Reset")
        check(player(shot, "after Reset") == still, "the player moved with no key held")

    # The lives are looked at in the first tick after that Reset.
    answer_game_over(session, game)


run(scenario)
