"""Where the screens' designs put things (twips, as in designs/), the colours
they are painted in, and the steps a player takes on every screen."""

from xsession import box, check

LAUNCHER = "Form1"
BRICK_BREAKER = "Kestrin Brick Breaker"
BRICK_BREAKER_2 = "Kestrin Brick Breaker Level 2"
DODGE = "Kestrin Dodge"

WHITE, GROUND, BLACK = "#ffffff", "#f0f0f0", "#000000"
RED, BROWN = "#ff0000", "#804000"
DODGE_BLUE, DODGE_PINK = "#0000c0", "#ff80ff"  # the balls that join later

# Launcher: the two title cards.
IMAGE1 = (480, 4080, 4500, 3000)  # Brick Breaker
IMAGE2 = (5520, 4080, 4500, 3000)  # Dodge

# Both games play inside the same outlined rectangle.
PLAYFIELD = (3480, 240, 9615, 9135)

# Brick Breaker, level 1.
BB_PADDLE = (7320, 9000, 1215, 255)
BB_BALL = (7680, 8520, 375, 375)
BB_BRICKS = [(3480 + 1200 * i, 720, 1215, 495) for i in range(8)]
BB_RESET = (8640, 4440, 2055, 855)
BB_LOST_LIFE = (6480, 4560, 1815, 615)
BB_LIVES = (960, 3120, 1215, 855)
BB_START = (5520, 6720, 5535, 615)  # "Press Space Bar To Start"

# Dodge.
DODGE_PLAYER = (7680, 8520, 615, 495)
DODGE_BALL = (3600, 360, 375, 375)
DODGE_RESET = (8640, 4440, 2055, 855)
DODGE_LOST_LIFE = (6600, 4560, 1815, 615)
DODGE_LIVES = (1080, 4080, 1215, 855)
DODGE_SCORE = (600, 1920, 2175, 735)


def centre(area):
    x0, y0, x1, y1 = area
    return (x0 + x1) // 2, (y0 + y1) // 2


def inside(area, margin=0):
    """The pixels within a shape's outline, grown by margin on every side."""
    x0, y0, x1, y1 = area
    return (x0 + 1 - margin, y0 + 1 - margin, x1 - 1 + margin, y1 - 1 + margin)


def within(inner, outer):
    """True when the inclusive box inner lies in the exclusive box outer."""
    return (inner[0] >= outer[0] and inner[1] >= outer[1]
            and inner[2] < outer[2] and inner[3] < outer[3])


def shown(shot, control):
    """True when text is painted in the control's box: a label's caption or a
    button's. Text is many black pixels thinly spread; a black ball or the
    Dodge player passing through fills most of the box its pixels span."""
    dark = shot.find(BLACK, box(*control))
    if len(dark) < 100:
        return False
    xs, ys = [p[0] for p in dark], [p[1] for p in dark]
    return len(dark) < 0.5 * (max(xs) - min(xs) + 1) * (max(ys) - min(ys) + 1)


def painted(session, window, ground, name=None):
    """The window's first screenshot that shows its ground: a window can be
    on the screen a moment before it is painted."""
    shot = session.wait_shot(window, lambda s: s.pixel(10, 10) == ground)
    check(shot, f"window {window} is not painted with its ground {ground}")
    if name:
        shot.save(session.path(name + ".png"))
    return shot


def open_game(session, picture, title, scale=1):
    """Clicks a title card on the launcher; the game's window, once shown
    and painted."""
    launcher = session.window(LAUNCHER)
    painted(session, launcher, WHITE)
    session.click(launcher, *centre(box(*picture, scale=scale)))
    game = session.window(title)
    painted(session, game, GROUND)
    check(session.wait_for(lambda: not session.windows(LAUNCHER)), "the launcher is still shown")
    check(session.wait_for(lambda: session.focus() == game), f"{title} has not got the keys")
    return game


def answer_game_over(session, game):
    """Finds the Game Over box (titled "Kestrin Brick Breaker" in both games,
    told from a Brick Breaker window by its size), answers it with Enter and
    checks that the program then ends with status 0."""
    def box_window():
        others = [w for w in session.windows(BRICK_BREAKER) if w != game]
        return others[0] if others else None

    found = session.wait_for(box_window, 30)
    check(found, "no Game Over box")
    game_size = session.geometry(game)[2:]
    box_size = session.geometry(found)[2:]
    check(box_size[0] < game_size[0] and box_size[1] < game_size[1],
          f"the box ({box_size}) is no smaller than the game ({game_size})")
    check(session.wait_for(lambda: session.focus() == found), "the box has not got the keys")
    session.shot(found, "game-over-box")
    session.xdotool("key", "Return")
    status = session.exit_status(5)
    check(status is not None, "kestrin still runs after the Game Over box was answered")
    check(status == 0, f"kestrin ended with status {status}")
