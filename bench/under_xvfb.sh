#!/usr/bin/env bash
# The real Qt host on a private Xvfb display: tick pacing, start-up, peak
# memory through whole games, CPU while a level is played, key-to-screen
# latency; and the floor program (a bare Qt window, bench/floor_main.cpp)
# measured the same way, run for run beside the game. Prints one
# "figure value" line per measurement.
#
#   under_xvfb.sh BUILD_DIR pacing RUNS SECONDS    both alarms, in turn
#   under_xvfb.sh BUILD_DIR startup RUNS           the floor and kestrin, in turn
#   under_xvfb.sh BUILD_DIR side-by-side RUNS      the floor, then kestrin through a
#                                                  whole Brick Breaker game, then kestrin
#                                                  through a whole Dodge game: RSS, CPU
#   under_xvfb.sh BUILD_DIR memory RUNS            the last of these alone
#   under_xvfb.sh BUILD_DIR latency RUNS SAMPLES   idle, then beside two busy loops
#   under_xvfb.sh BUILD_DIR cpu RUNS SECONDS
set -u -o pipefail

build=$(cd "$1" && pwd)
what=$2
runs=${3:-3}
seconds=${4:-60}
here=$(cd "$(dirname "$0")" && pwd)
kestrin=$build/host/qt/kestrin
probe=$build/tools/probe/kestrin-probe
floor=$build/bench/kestrin-floor
xplay=$build/tools/xplay/kestrin-xplay
work=$build/xvfb-bench
mkdir -p "$work" && rm -f "$work/display"
export XDG_RUNTIME_DIR=$work/xdg-runtime
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb

xvfb_pid=
game_pid=   # kestrin, or /usr/bin/time running it
kestrin_pid=  # kestrin under /usr/bin/time
hog_pids=()   # busy loops beside the latency runs
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
stop_hog() {
  for pid in "${hog_pids[@]}"; do kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; done
  hog_pids=()
}
stop() {
  stop_hog
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
# Nanoseconds on a CPU, all the process's threads (Qt reads X events on a
# thread of its own): finer than the 10 ms ticks of /proc/PID/stat.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d", s }'; }
now_ns() { date +%s%N; }
percent() { awk -v cpu="$1" -v wall="$2" 'BEGIN { printf "%.2f", 100 * cpu / wall }'; }
status_kb() { sed -n "s/^$2:\s*\([0-9]*\) kB/\1/p" "/proc/$1/status"; }
# RSS_2S PID START_NS: the resident set 2 s after START_NS, then the CPU of
# the 6 s after that; prints both lines with PREFIX.
rss_and_idle_cpu() {
  local pid=$1 start=$2 prefix=$3 before t0
  sleep "$(awk -v s="$start" -v n="$(now_ns)" 'BEGIN { d = 2 - (n - s) / 1e9; print (d > 0 ? d : 0) }')"
  echo "${prefix}_rss_2s_kb $(status_kb "$pid" VmRSS)"
  before=$(cpu_ns "$pid"); t0=$(now_ns)
  sleep 6
  echo "${prefix}_cpu_6s_percent $(percent $(($(cpu_ns "$pid") - before)) $(($(now_ns) - t0)))"
}
# Sweeps the Brick Breaker paddle from wall to wall for SECONDS: a key held
# 1.5 s each way, so that every tick moves it and repaints.
sweep() {
  local end=$((SECONDS + $1)) key=Left
  while [ $SECONDS -lt $end ]; do
    xdotool keydown $key; sleep 1.5; xdotool keyup $key
    [ $key = Left ] && key=Right || key=Left
  done
}

peak_of() { sed -n 's/.*Maximum resident set size (kbytes): //p' "$1"; }

# Brick Breaker played a while and closed, then a whole game of Dodge:
# standing still, a ball hits every few seconds; Reset after each hit;
# after the third, Game Over ends the program. The CPU of the first 6 s of
# Brick Breaker (level 1, the paddle swept wall to wall, the ball not yet
# launched so no lost ball stops the clock) is measured on the way.
dodge_game() {
  local launcher game dodge box before t0
  /usr/bin/time -v -o "$work/time.txt" "$kestrin" >"$work/kestrin.log" 2>&1 &
  game_pid=$!
  kestrin_pid=$(child_of "$game_pid") || fail "kestrin did not start"
  launcher=$(wait_for Form1) || fail "no launcher"
  click_at "$launcher" 600 4200
  game=$(wait_for "Kestrin Brick Breaker") || fail "Brick Breaker did not open"
  sleep 0.5
  before=$(cpu_ns "$kestrin_pid"); t0=$(now_ns)
  sweep 6
  echo "play_cpu_6s_percent $(percent $(($(cpu_ns "$kestrin_pid") - before)) $(($(now_ns) - t0)))"
  xdotool key space
  sleep 1
  "$here/../tools/x11/x11_window.py" close "$game"
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
  echo "peak_rss_kb $(peak_of "$work/time.txt")"
}

case $what in
  pacing)
    # The timerfd and Qt's timer in turn, so both see the same machine.
    for _ in $(seq "$runs"); do
      "$probe" pacing "$seconds" timerfd 2>"$work/probe.log" | sed 's/^/pacing_/' ||
        fail "pacing probe failed"
      "$probe" pacing "$seconds" qt 2>"$work/probe.log" | sed 's/^/pacing_qt_/' ||
        fail "pacing probe failed"
    done
    ;;
  startup)
    for _ in $(seq "$runs"); do
      "$probe" startup 2>/dev/null | grep '^startup_ms' |
        sed 's/^/inside_/' || fail "start-up probe failed"
      echo "floor_startup_ms $("$here/../tools/x11/x11_window.py" startup --title Floor "$floor")" ||
        fail "no floor window"
      echo "outside_startup_ms $("$here/../tools/x11/x11_window.py" startup "$kestrin")" ||
        fail "no launcher window"
    done
    ;;
  memory)
    for _ in $(seq "$runs"); do dodge_game; done
    ;;
  side-by-side)
    # The toolkit's memory grows with the fonts installed, unless told of one face.
    command -v fc-list >/dev/null && echo "fonts_installed $(fc-list | wc -l)"
    for _ in $(seq "$runs"); do
      # The floor: its resident set at 2 s, its CPU over the next 6 s, its
      # peak by then (it does the same thing every tick, so that is all of it).
      start=$(now_ns)
      "$floor" >"$work/floor.log" 2>&1 &
      game_pid=$!
      wait_for Floor >/dev/null || fail "no floor window"
      rss_and_idle_cpu "$game_pid" "$start" floor
      echo "floor_peak_rss_kb $(status_kb "$game_pid" VmHWM)"
      stop_game
      # Kestrin: the same figures at the launcher, then a whole game of Brick
      # Breaker played through the X server to "You Win".
      start=$(now_ns)
      /usr/bin/time -v -o "$work/time.txt" "$kestrin" >"$work/kestrin.log" 2>&1 &
      game_pid=$!
      kestrin_pid=$(child_of "$game_pid") || fail "kestrin did not start"
      wait_for Form1 >/dev/null || fail "no launcher"
      rss_and_idle_cpu "$kestrin_pid" "$start" launcher
      "$xplay" brickbreaker 2>"$work/xplay.log" | sed 's/^/brickbreaker_/' ||
        fail "the whole Brick Breaker game was not won"
      wait "$game_pid" 2>/dev/null || fail "kestrin did not end after \"You Win\""
      game_pid=
      kestrin_pid=
      echo "brickbreaker_peak_rss_kb $(peak_of "$work/time.txt")"
      # And through Brick Breaker played a while, then a whole Dodge game.
      dodge_game
    done
    ;;
  latency)
    # SAMPLES key presses on a fresh kestrin with the machine otherwise idle,
    # then with two busy loops running beside it (one a core). After each,
    # the same presses on kestrin-probe keys, which notes when each reached
    # the host, each tick and each flushed paint: latency_parts.py splits
    # the times with it.
    samples=$seconds
    for _ in $(seq "$runs"); do
      for load in idle busy; do
        if [ $load = busy ]; then
          for _ in 1 2; do (while :; do :; done) & hog_pids+=($!); done
        fi
        "$kestrin" >"$work/kestrin.log" 2>&1 &
        game_pid=$!
        "$xplay" latency "$samples" 2>"$work/xplay.log" | grep -v '^latency_at_ns' |
          sed "s/^latency_/key_latency_${load}_/" || fail "the latency probe failed"
        stop_game
        "$probe" keys "$samples" >"$work/keys-probe.txt" 2>"$work/probe.log" &
        game_pid=$!
        "$xplay" latency "$samples" >"$work/keys-player.txt" 2>"$work/xplay.log" ||
          fail "the latency probe failed on kestrin-probe"
        wait "$game_pid" || fail "kestrin-probe keys failed"
        game_pid=
        python3 "$here/latency_parts.py" "$work/keys-probe.txt" "$work/keys-player.txt" |
          sed "s/^key_part/key_${load}_part/"
        stop_hog
      done
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
