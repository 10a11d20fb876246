#!/usr/bin/env python3
"""Prints the benchmark figures: one table of figure, goal, median, spread;
then Kestrin beside the floor (a bare Qt window), as ratios; the two
alarms' pacing side by side; and the key-to-screen latency.

  table.py RESULTS_DIR

RESULTS_DIR holds model.json and paint.json (Google Benchmark, with
repetitions) and xvfb.txt ("figure value" lines, one per run).
"""
import json
import os
import statistics
import sys

results = sys.argv[1]
rows = []


def add(figure, goal, values, unit, scale=1.0, digits=2):
    if not values:
        rows.append((figure, goal, "not measured", "", "0"))
        return
    values = [v * scale for v in values]
    fmt = "%%.%df %%s" % digits
    median = fmt % (statistics.median(values), unit)
    spread = (fmt % (min(values), "") + "- " + fmt % (max(values), unit)).replace("  ", " ")
    rows.append((figure, goal, median, spread, str(len(values))))


def benchmark_runs(name):
    path = os.path.join(results, name)
    if not os.path.exists(path):
        return {}
    with open(path) as f:
        data = json.load(f)
    runs = {}
    for b in data["benchmarks"]:
        if b.get("run_type") == "iteration":
            runs.setdefault(b["run_name"], []).append(b)
    return runs


def times(runs, name, key="cpu_time"):
    # Google Benchmark reports times in each benchmark's own unit.
    per = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    return [r[key] * per[r["time_unit"]] for r in runs.get(name, [])]


def counter(runs, name, key):
    return [r[key] for r in runs.get(name, []) if key in r]


model = benchmark_runs("model.json")
screens = ["Brick Breaker level 1", "Brick Breaker level 2", "Brick Breaker level 3 (48 bricks)",
           "Dodge (four balls)"]
goals = ["", "", "<= 1 us", "<= 0.5 us"]
for i, (screen, goal) in enumerate(zip(screens, goals)):
    add("tick, %s (CPU)" % screen, goal, times(model, "BM_Tick/%d" % i), "us", 1e6, 3)
for i, screen in enumerate(screens):
    add("tick + next due, %s" % screen.split(" (")[0], "",
        times(model, "BM_TickAsHostSeesIt/%d" % i), "us", 1e6, 3)
allocs = [a for i in range(4) for a in counter(model, "BM_Tick/%d" % i, "allocs/iter")]
add("allocations per tick, all four game screens", "0", allocs, "", 1, 0)
add("RECT of two controls + IntersectRect", "", times(model, "BM_RectOverlap"), "ns", 1e9, 1)
add("caption read (captionNumber)", "", times(model, "BM_CaptionRead"), "ns", 1e9, 1)
add("caption write (numberCaption into a label)", "", times(model, "BM_CaptionWrite"), "ns", 1e9, 1)
add("replay of a whole Dodge game, trace off", "", counter(model, "BM_ReplayWholeGame/0", "ticks/s"),
    "M ticks/s", 1e-6, 2)
add("replay of a whole Dodge game, trace on", "", counter(model, "BM_ReplayWholeGame/1", "ticks/s"),
    "M ticks/s", 1e-6, 3)

paint = benchmark_runs("paint.json")
names = ["launcher", "Brick Breaker level 1", "Brick Breaker level 2", "Brick Breaker level 3",
         "Dodge"]
for scale in (1, 2):
    for i, screen in enumerate(names):
        goal = {1: "<= 1 ms", 2: "<= 3 ms"}[scale] if i == 3 else ""
        add("paint %s into an image, scale %d (CPU)" % (screen, scale), goal,
            times(paint, "BM_RenderScreen/%d/%d" % (i, scale)), "ms", 1e3, 3)

for i, screen in enumerate(names[1:], start=1):
    add("host tick + partial repaint + paint event, %s (CPU)" % screen, "",
        times(paint, "BM_HostTick/%d" % i), "us", 1e6, 1)

xvfb = {}
path = os.path.join(results, "xvfb.txt")
if os.path.exists(path):
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 2:
                try:
                    xvfb.setdefault(parts[0], []).append(float(parts[1]))
                except ValueError:
                    pass

add("ticks delivered in 60 s under Xvfb", "3840 +- 1", xvfb.get("pacing_ticks"), "", 1, 0)
add("mean tick period", "15625 us", xvfb.get("pacing_mean_period_us"), "us", 1, 1)
add("tick lateness p50", "", xvfb.get("pacing_lateness_p50_us"), "ms", 1e-3, 3)
add("tick lateness p99", "<= 1 ms", xvfb.get("pacing_lateness_p99_us"), "ms", 1e-3, 3)
add("tick lateness max", "", xvfb.get("pacing_lateness_max_us"), "ms", 1e-3, 3)
add("drift over the run (first to last second)", "0", xvfb.get("pacing_drift_us"), "ms", 1e-3, 3)
add("host work per tick (tick, sync, paint) p50", "", xvfb.get("pacing_tick_work_p50_us"), "us", 1, 0)
add("CPU of the probe while the paddle sweeps", "<= 3 %", xvfb.get("pacing_cpu_percent"), "%", 1, 2)
add("start to launcher painted, inside (probe)", "<= 60 ms", xvfb.get("inside_startup_ms"), "ms", 1, 1)
add("start to launcher mapped, outside (kestrin)", "<= 60 ms", xvfb.get("outside_startup_ms"), "ms", 1, 1)
add("peak RSS, Brick Breaker then a whole Dodge game (MiB)", "<= 40 MB", xvfb.get("peak_rss_kb"), "MB",
    1 / 1024, 1)
add("CPU of kestrin, level 1 played 30 s", "<= 3 %", xvfb.get("cpu_percent"), "%", 1, 2)



def table(header, body):
    widths = [max(len(r[i]) for r in [header] + body) for i in range(len(header))]
    for r in [header, tuple("-" * w for w in widths)] + body:
        print("| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |")


table(("figure", "goal", "median", "spread (min - max)", "runs"), rows)


def median(values):
    return statistics.median(values) if values else None


def paired(kestrin, floor, how):
    """Each run's Kestrin figure against the floor's of the same round."""
    return [how(k, f) for k, f in zip(kestrin or [], floor or []) if f]


def fmt(value, unit, digits):
    return "not measured" if value is None else ("%%.%df %%s" % digits % (value, unit)).strip()


# Kestrin beside the floor: every ratio is taken within one round (the floor
# and Kestrin run one after the other), then the median of the rounds.
MIB = 1 / 1024
side = []


def beside(figure, floor_key, kestrin_key, unit, scale, digits, goal, extra=None):
    floor, kestrin = xvfb.get(floor_key), xvfb.get(kestrin_key)
    f = median([v * scale for v in floor or []])
    k = median([v * scale for v in kestrin or []])
    ratio = median(paired(kestrin, floor, lambda a, b: a / b))
    cell = "not measured" if ratio is None else "%.2fx" % ratio
    if extra == "difference" and floor and kestrin:
        cell += ", %+.1f MiB" % median(paired(kestrin, floor, lambda a, b: (a - b) * MIB))
    side.append((figure, fmt(f, unit, digits), fmt(k, unit, digits), cell, goal,
                 "%d" % min(len(floor or []), len(kestrin or []))))


beside("start to first viewable window (outside)", "floor_startup_ms", "outside_startup_ms",
       "ms", 1, 1, "<= 1.2x")
beside("RSS 2 s after start (launcher)", "floor_rss_2s_kb", "launcher_rss_2s_kb", "MiB", MIB, 1,
       "", "difference")
beside("peak RSS: whole Brick Breaker game, won", "floor_peak_rss_kb",
       "brickbreaker_peak_rss_kb", "MiB", MIB, 1, "floor + 3 MiB", "difference")
beside("peak RSS: Brick Breaker 6 s, whole Dodge game", "floor_peak_rss_kb", "peak_rss_kb", "MiB",
       MIB, 1, "floor + 3 MiB", "difference")
beside("CPU of one core, 6 s: launcher idle", "floor_cpu_6s_percent", "launcher_cpu_6s_percent",
       "%", 1, 2, "")
beside("CPU of one core, 6 s: level 1, paddle sweeping", "floor_cpu_6s_percent",
       "play_cpu_6s_percent", "%", 1, 2, "")
games = xvfb.get("brickbreaker_game_seconds")
print()
table(("beside the floor (bare Qt window)", "floor", "Kestrin", "Kestrin / floor", "goal", "runs"),
      side)
if games:
    print("(whole Brick Breaker games: %d of %d won, median %.0f s)"
          % (sum(xvfb.get("brickbreaker_game_won", [])), len(games), statistics.median(games)))
# The toolkit's memory grows with the fonts installed, where it is not told
# to list the program's face alone: said, so that a figure can be set beside
# one from another machine.
fonts = xvfb.get("fonts_installed")
if fonts:
    print("(fonts installed on this machine: %d)" % median(fonts))

# The two alarms, run in turn.
alarms = []
for figure, key, unit, scale, digits, goal in [
        ("ticks delivered in the run (60 s: 3840)", "ticks", "", 1, 0, "3840 +- 1"),
        ("mean tick period", "mean_period_us", "us", 1, 1, "15625 us"),
        ("tick lateness p50", "lateness_p50_us", "ms", 1e-3, 3, ""),
        ("tick lateness p99", "lateness_p99_us", "ms", 1e-3, 3, "<= 1 ms"),
        ("tick lateness max", "lateness_max_us", "ms", 1e-3, 3, ""),
        ("drift, first to last second", "drift_us", "ms", 1e-3, 3, "0"),
        ("CPU of the probe, paddle sweeping", "cpu_percent", "%", 1, 2, "")]:
    cells = []
    for prefix in ("pacing_", "pacing_qt_"):
        values = [v * scale for v in xvfb.get(prefix + key, [])]
        cells.append(fmt(median(values), unit, digits) +
                     (" (%s - %s)" % (fmt(min(values), "", digits), fmt(max(values), unit, digits))
                      if len(values) > 1 else ""))
    alarms.append((figure, cells[0], cells[1], goal, "%d" % len(xvfb.get("pacing_qt_" + key, []))))
print()
table(("pacing under Xvfb, median (min - max)", "timerfd alarm", "Qt timer alarm", "goal", "runs"),
      alarms)


# Key to screen: every sample of every run pooled. The rule's floor is the
# wait for the next tick: uniform over one period.
def pct(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(p / 100 * (len(values) - 1) + 0.5))]


period = 15.625
latency = [("p50", "%.1f ms" % (period / 2), 50, ""), ("p99", "%.1f ms" % (period * 0.99), 99,
                                                       "<= %.1f ms" % (period + 1)),
           ("max", "%.1f ms" % period, 100, ""), ("mean", "%.1f ms" % (period / 2), None, "")]
lat_rows = []
for name, floor, p, goal in latency:
    cells = []
    for load in ("idle", "busy"):
        samples = [v / 1000 for v in xvfb.get("key_latency_%s_us" % load, [])]
        if not samples:
            cells.append("not measured")
        elif p is None:
            cells.append("%.1f ms" % statistics.mean(samples))
        else:
            cells.append("%.1f ms" % pct(samples, p))
    lat_rows.append(("key down to paddle moved on screen, " + name, floor, cells[0], cells[1], goal))
counts = []
for load in ("idle", "busy"):
    counts.append("%d (%d missed)" % (len(xvfb.get("key_latency_%s_us" % load, [])),
                                      sum(xvfb.get("key_latency_%s_missed" % load, []))))
lat_rows.append(("samples", "", counts[0], counts[1], ""))
print()
table(("key to screen (XTest to XDamage)", "rule's floor", "idle", "two busy loops beside",
       "goal"), lat_rows)

# Where the time went, from kestrin-probe keys with the same player.
part_rows = []
for part, what in [("to_host", "X server and Qt's event thread to the window"),
                   ("wait", "to the next tick's due time (the rule's wait)"),
                   ("late", "the tick's wake after it was due"),
                   ("work", "tick, sync, repaint, flush"),
                   ("to_screen", "flush to the damage report")]:
    cells = []
    for load in ("idle", "busy"):
        values = [v / 1000 for v in xvfb.get("key_%s_part_%s_us" % (load, part), [])]
        cells.append("%.2f / %.2f / %.2f ms" % (pct(values, 50), pct(values, 99), max(values))
                     if values else "not measured")
    part_rows.append((what, cells[0], cells[1]))
matched = ["%d of %d" % (sum(xvfb.get("key_%s_parts_matched" % load, [])),
                         sum(xvfb.get("key_%s_parts_samples" % load, []))) for load in ("idle", "busy")]
part_rows.append(("presses matched", matched[0], matched[1]))
print()
table(("key to screen on kestrin-probe keys, p50 / p99 / max", "idle", "two busy loops beside"),
      part_rows)
