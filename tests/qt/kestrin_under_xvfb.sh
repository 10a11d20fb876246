#!/bin/bash
# The real kestrin binary on a real X server: click the launcher's left
# picture, check that Brick Breaker opens and the launcher goes, launch the
# ball, hold an arrow, close it all. Screenshots go to OUTDIR.
#
#   kestrin_under_xvfb.sh KESTRIN OUTDIR
#
# Exit status 77 (skipped) when Xvfb or the X tools are not installed.
set -u

kestrin=$1
outdir=$2
for tool in Xvfb xdotool import convert python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed"
    exit 77
  fi
done
mkdir -p "$outdir" && rm -f "$outdir"/*.png "$outdir/display"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$outdir/xdg-runtime}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

xvfb_pid=
kestrin_pid=
stop() {
  # Only the processes this script started, by their ids.
  for pid in $kestrin_pid $xvfb_pid; do
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
  done
  kestrin_pid=
  xvfb_pid=
}
trap stop EXIT

fail() {
  echo "FAILED: $*"
  # What the program said, a sanitizer's report included.
  [ -s "$outdir/kestrin.log" ] && tail -n 40 "$outdir/kestrin.log"
  [ -n "${DISPLAY:-}" ] && import -window root "$outdir/failure.png" 2>/dev/null
  exit 1
}

# Xvfb picks a free display itself and names it once it is ready.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$outdir/display" >"$outdir/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$outdir/display" ] && break; sleep 0.1; done
[ -s "$outdir/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$outdir/display")

QT_QPA_PLATFORM=xcb "$kestrin" >"$outdir/kestrin.log" 2>&1 &
kestrin_pid=$!

# The colour of one pixel of a screenshot, as #rrggbb.
pixel() {
  convert "$1" -depth 8 -crop "1x1+$2+$3" +repage txt:- 2>/dev/null |
    tail -1 | grep -o '#[0-9A-Fa-f]\{6\}' | head -1 | tr 'A-F' 'a-f'
}
shot() { import -window root "$outdir/$1.png" && echo "$outdir/$1.png"; }
visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
wait_for() {  # wait_for TITLE: its window id once it is visible
  local id
  for _ in $(seq 100); do
    id=$(visible "$1")
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
origin() {  # origin WINDOW: "X Y" of its client area on the screen
  xdotool getwindowgeometry "$1" | sed -n 's/ *Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'
}

launcher=$(wait_for Form1) || fail "no launcher window titled Form1"
sleep 0.3
png=$(shot launcher)
read -r lx ly <<<"$(origin "$launcher")"
[ "$(pixel "$png" $((lx + 5)) $((ly + 5)))" = "#ffffff" ] || fail "the launcher's ground is not white"

xdotool mousemove $((lx + 480 / 15 + 10)) $((ly + 4080 / 15 + 10)) click 1
game=$(wait_for "Kestrin Brick Breaker") || fail "Brick Breaker did not open"
sleep 0.3
[ -z "$(visible Form1)" ] || fail "the launcher is still visible"
[ "$(xdotool getwindowfocus)" = "$game" ] || fail "Brick Breaker does not have the keyboard focus"
png=$(shot brickbreaker)
read -r gx gy <<<"$(origin "$game")"
[ "$(pixel "$png" $((gx + 524)) $((gy + 580)))" = "#ff0000" ] || fail "no red ball at its place"
[ "$(pixel "$png" $((gx + 528)) $((gy + 608)))" = "#000000" ] || fail "no black paddle at its place"
[ "$(pixel "$png" $((gx + 272)) $((gy + 64)))" = "#804000" ] || fail "no brown brick at its place"
[ "$(pixel "$png" $((gx + 100)) $((gy + 10)))" = "#f0f0f0" ] || fail "the ground is not #F0F0F0"

# Space launches the ball; a held arrow moves the paddle until let go.
xdotool key space
sleep 0.3
png=$(shot launched)
[ "$(pixel "$png" $((gx + 524)) $((gy + 580)))" != "#ff0000" ] || fail "the ball did not leave"
xdotool keydown Left
sleep 0.4
xdotool keyup Left
sleep 0.2
png=$(shot played)
[ "$(pixel "$png" $((gx + 528)) $((gy + 608)))" != "#000000" ] || fail "the paddle did not move"
# Let go, the paddle stays put: its left end is where it was.
paddle_left() {
  convert "$1" -depth 8 -crop "641x1+$((gx + 233))+$((gy + 608))" +repage txt:- 2>/dev/null |
    grep -i '#000000' | head -1 | cut -d, -f1
}
before=$(paddle_left "$png")
[ -n "$before" ] || fail "no paddle on its row"
sleep 0.3
[ "$before" = "$(paddle_left "$(shot stopped)")" ] || fail "the paddle still moves after the key-up"

# The close box (as a window manager would send it): the game goes and the
# launcher comes back; closing the launcher ends the program with status 0.
close_box() {
  python3 - "$1" <<'PY'
import ctypes, sys
x = ctypes.cdll.LoadLibrary("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
x.XFlush.argtypes = [ctypes.c_void_p]
class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]
d = x.XOpenDisplay(None)
window = int(sys.argv[1])
event = ClientMessage(type=33, window=window, format=32,
                      message_type=x.XInternAtom(d, b"WM_PROTOCOLS", 0))
event.data[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, window, 0, 0, ctypes.byref(event))
x.XFlush(d)
PY
}
close_box "$game"
launcher=$(wait_for Form1) || fail "the launcher did not come back when the game was closed"
[ -z "$(visible 'Kestrin Brick Breaker')" ] || fail "the closed game is still visible"
shot launcher-again >/dev/null
close_box "$launcher"
for _ in $(seq 50); do kill -0 "$kestrin_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$kestrin_pid" 2>/dev/null && fail "kestrin still runs after its last window was closed"
wait "$kestrin_pid"
status=$?
kestrin_pid=
[ "$status" = 0 ] || fail "kestrin ended with status $status"

stop
echo "PASSED"
