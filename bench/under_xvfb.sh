#!/usr/bin/env bash
# The real Qt host on a private Xvfb display: tick pacing, start-up, peak
# memory through whole games, CPU while a level is played. Prints one
# "figure value" line per measurement.
#
#   under_xvfb.sh BUILD_DIR pacing RUNS SECONDS
#   under_xvfb.sh BUILD_DIR startup RUNS
#   under_xvfb.sh BUILD_DIR memory RUNS
#   under_xvfb.sh BUILD_DIR cpu RUNS SECONDS
set -u

build=$(cd "$1" && pwd)
what=$2
runs=${3:-3}
seconds=${4:-60}
here=$(cd "$(dirname "$0")" && pwd)
kestrin=$build/host/qt/kestrin
probe=$build/tools/probe/kestrin-probe
work=$build/xvfb-bench
mkdir -p "$work" && rm -f "$work/display"
export XDG_RUNTIME_DIR=$work/xdg-runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb

xvfb_pid=
game_pid=   # kestrin, or /usr/bin/time running it
kestrin_pid=  # kestrin under /usr/bin/time
end_pid() {
  if [ -n "$1" ] && kill -0 "$1" 2>/dev/null; then
    kill "$1" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$1" 2>/dev/null
  fi
}
stop_game() {
  # Only what this script started, by its id.
  end_pid "$kestrin_pid"
  end_pid "$game_pid"
  [ -n "$game_pid" ] && wait "$game_pid" 2>/dev/null
  game_pid=
  kestrin_pid=
}
stop() {
  stop_game
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  xvfb_pid=
}
trap stop EXIT
fail() { echo "under_xvfb.sh: $*" >&2; exit 1; }

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(head -1 "$work/display")

visible() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }
wait_for() {
  local id
  for _ in $(seq 100); do
    id=$(visible "$1")
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
origin() {
  xdotool getwindowgeometry "$1" | sed -n 's/ *Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p'
}
# click_at WINDOW X Y: a left click at twips X, Y of the window's client area.
click_at() {
  local x y
  read -r x y <<<"$(origin "$1")"
  xdotool mousemove $((x + $2 / 15)) $((y + $3 / 15)) click 1
}
# The pid of kestrin run under /usr/bin/time: its only child.
child_of() {
  local pid
  for _ in $(seq 50); do
    pid=$(cat /proc/"$1"/task/*/children 2>/dev/null | tr -d ' ' | head -1)
    [ -n "$pid" ] && { echo "$pid"; return 0; }
    sleep 0.05
  done
  return 1
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
# Sweeps the Brick Breaker paddle from wall to wall for SECONDS: a key held
# 1.5 s each way, so that every tick moves it and repaints.
sweep() {
  local end=$((SECONDS + $1)) key=Left
  while [ $SECONDS -lt $end ]; do
    xdotool keydown $key; sleep 1.5; xdotool keyup $key
    [ $key = Left ] && key=Right || key=Left
  done
}

case $what in
  pacing)
    for _ in $(seq "$runs"); do
      "$probe" pacing "$seconds" 2>"$work/probe.log" | sed 's/^/pacing_/' || fail "pacing probe failed"
    done
    ;;
  startup)
    for _ in $(seq "$runs"); do
      "$probe" startup 2>/dev/null | grep '^startup_ms' |
        sed 's/^/inside_/' || fail "start-up probe failed"
      echo "outside_startup_ms $(python3 "$here/x11_window.py" startup "$kestrin")" ||
        fail "no launcher window"
    done
    ;;
  memory)
    # Brick Breaker played a while and closed, then a whole game of Dodge:
    # standing still, a ball hits every few seconds; Reset after each hit;
    # after the third, Game Over ends the program.
    for _ in $(seq "$runs"); do
      /usr/bin/time -v -o "$work/time.txt" "$kestrin" >"$work/kestrin.log" 2>&1 &
      game_pid=$!
      kestrin_pid=$(child_of "$game_pid") || fail "kestrin did not start"
      launcher=$(wait_for Form1) || fail "no launcher"
      click_at "$launcher" 600 4200
      game=$(wait_for "Kestrin Brick Breaker") || fail "Brick Breaker did not open"
      xdotool key space
      sweep 6
      python3 "$here/x11_window.py" close "$game"
      launcher=$(wait_for Form1) || fail "the launcher did not come back"
      click_at "$launcher" 5640 4200
      dodge=$(wait_for "Kestrin Dodge") || fail "Dodge did not open"
      for _ in $(seq 120); do
        kill -0 "$game_pid" 2>/dev/null || break
        box=$(visible "Kestrin Brick Breaker")  # the Game Over box's title
        if [ -n "$box" ]; then
          xdotool windowfocus --sync "$box" key Return 2>/dev/null
        else
          click_at "$dodge" $((8640 + 1000)) $((4440 + 400))  # Reset, when it shows
        fi
        sleep 0.5
      done
      wait "$game_pid" 2>/dev/null || fail "kestrin did not end by Game Over"
      game_pid=
      kestrin_pid=
      echo "peak_rss_kb $(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")"
    done
    ;;
  cpu)
    for _ in $(seq "$runs"); do
      "$kestrin" >"$work/kestrin.log" 2>&1 &
      game_pid=$!
      launcher=$(wait_for Form1) || fail "no launcher"
      click_at "$launcher" 600 4200
      wait_for "Kestrin Brick Breaker" >/dev/null || fail "Brick Breaker did not open"
      sleep 1
      before=$(cpu_ticks "$game_pid")
      start=$(date +%s%N)
      sweep "$seconds"
      after=$(cpu_ticks "$game_pid")
      end=$(date +%s%N)
      hz=$(getconf CLK_TCK)
      echo "cpu_percent $(awk -v t=$((after - before)) -v hz="$hz" -v ns=$((end - start)) \
        'BEGIN { printf "%.2f", 100 * (t / hz) / (ns / 1e9) }')"
      stop_game
    done
    ;;
  *) fail "unknown measurement $what" ;;
esac
