#!/usr/bin/env python3
"""Prints the benchmark figures as one table: figure, goal, value now. A
value is the median of the runs (or repetitions) with their spread and
count; figures set beside the floor (a bare Qt window) are the median of
each round's ratio or difference; the key-to-screen figures pool every
press of every round. Figures that were not measured are left out and
named at the end, where the rest of their group was measured.

  table.py RESULTS_DIR

RESULTS_DIR holds model.json and paint.json (Google Benchmark, with
repetitions), xvfb.txt ("figure value" lines, one per run) and
watch_memory.txt (bench/watch_memory.py's lines), each where measured.
"""
import json
import os
import re
import statistics
import sys

results = sys.argv[1]
rows = []
missing = []  # (group, figure)
measured = set()  # groups with a figure measured
group = ""
MIB = 1 / 1024


def number(value, unit, digits):
    return ("%%.%df %%s" % digits % (value, unit)).strip()


def spread(values, unit, digits):
    """Median (min - max, N runs) of values already in their unit."""
    middle = number(statistics.median(values), unit, digits)
    if len(values) == 1:
        return middle + " (1 run)"
    return "%s (%s - %s, %d runs)" % (middle, number(min(values), "", digits),
                                      number(max(values), unit, digits), len(values))


def add(figure, goal, values, unit, scale=1.0, digits=2):
    if not values:
        missing.append((group, figure))
        return
    measured.add(group)
    rows.append((figure, goal, spread([v * scale for v in values], unit, digits)))


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


# The model (headless): CPU time a call.
group = "model"
model = benchmark_runs("model.json")
screens = ["Brick Breaker level 1", "Brick Breaker level 2", "Brick Breaker level 3 (48 bricks)",
           "Dodge (four balls)"]
goals = ["", "", "<= 1 us", "<= 0.5 us"]
for i, (screen, goal) in enumerate(zip(screens, goals)):
    add("tick, %s" % screen, goal, times(model, "BM_Tick/%d" % i), "us", 1e6, 3)
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

# Painting (offscreen): CPU time a paint or a host tick.
group = "paint"
paint = benchmark_runs("paint.json")
names = ["launcher", "Brick Breaker level 1", "Brick Breaker level 2", "Brick Breaker level 3",
         "Dodge"]
for scale in (1, 2):
    for i, screen in enumerate(names):
        goal = {1: "<= 1 ms", 2: "<= 3 ms"}[scale] if i == 3 else ""
        add("paint %s into an image, scale %d" % (screen, scale), goal,
            times(paint, "BM_RenderScreen/%d/%d" % (i, scale)), "ms", 1e3, 3)
for i, screen in enumerate(names[1:], start=1):
    add("host tick + partial repaint + paint event, %s" % screen, "",
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

# Pacing under Xvfb: the timerfd (the game's alarm on Linux), then Qt's timer.
group = "pacing"
for prefix, alarm in (("pacing_", "timerfd"), ("pacing_qt_", "Qt timer")):
    seconds = xvfb.get(prefix + "seconds")
    length = "%.0f s" % seconds[0] if seconds else "the run"
    expected = "%.0f +- 1" % (seconds[0] * 64) if seconds else ""
    add("ticks delivered in %s, %s alarm" % (length, alarm), expected, xvfb.get(prefix + "ticks"),
        "", 1, 0)
    add("mean tick period, %s alarm" % alarm, "15625.0 us", xvfb.get(prefix + "mean_period_us"),
        "us", 1, 1)
    add("tick lateness p50, %s alarm" % alarm, "", xvfb.get(prefix + "lateness_p50_us"), "ms", 1e-3, 3)
    add("tick lateness p99, %s alarm" % alarm, "<= 1 ms" if alarm == "timerfd" else "",
        xvfb.get(prefix + "lateness_p99_us"), "ms", 1e-3, 3)
    add("tick lateness max, %s alarm" % alarm, "", xvfb.get(prefix + "lateness_max_us"), "ms", 1e-3, 3)
    add("drift, first to last second, %s alarm" % alarm, "0", xvfb.get(prefix + "drift_us"), "ms",
        1e-3, 3)
    add("host work per tick (wake to repainted frame) p50, %s alarm" % alarm, "",
        xvfb.get(prefix + "tick_work_p50_us"), "us", 1, 0)
    add("CPU of the pacing probe, paddle sweeping, %s alarm" % alarm,
        "<= 3 %" if alarm == "timerfd" else "", xvfb.get(prefix + "cpu_percent"), "%", 1, 2)


def median(values):
    return statistics.median(values) if values else None


def paired(kestrin, floor, how):
    """Each run's Kestrin figure against the floor's of the same round."""
    return [how(k, f) for k, f in zip(kestrin or [], floor or []) if f]


def beside(figure, goal, floor_key, kestrin_key, unit, scale, digits, how):
    """Kestrin's figure over (or less) the floor's of the same round, the
    median of the rounds, then both medians."""
    floor, kestrin = xvfb.get(floor_key), xvfb.get(kestrin_key)
    if not floor or not kestrin:
        missing.append((group, figure))
        return
    measured.add(group)
    if how == "ratio":
        cell = "%.2fx" % median(paired(kestrin, floor, lambda a, b: a / b))
    else:
        cell = "%+.1f %s" % (median(paired(kestrin, floor, lambda a, b: (a - b) * scale)), unit)
    count = min(len(floor), len(kestrin))
    cell += " (%s against %s, %d %s)" % (number(median(kestrin) * scale, unit, digits),
                                        number(median(floor) * scale, unit, digits), count,
                                        "run" if count == 1 else "runs")
    rows.append((figure, goal, cell))


# Start-up, memory and CPU under Xvfb, the floor measured in the same rounds.
group = "startup"
add("start to launcher painted, inside (kestrin-probe)", "<= 60 ms", xvfb.get("inside_startup_ms"),
    "ms", 1, 1)
add("start to launcher mapped, outside (kestrin)", "<= 60 ms", xvfb.get("outside_startup_ms"), "ms",
    1, 1)
beside("start to first viewable window, kestrin against the floor", "<= 1.2x", "floor_startup_ms",
       "outside_startup_ms", "ms", 1, 1, "ratio")
group = "side-by-side"
beside("RSS 2 s after start, the launcher over the floor", "", "floor_rss_2s_kb",
       "launcher_rss_2s_kb", "MiB", MIB, 1, "difference")
beside("peak RSS, a whole Brick Breaker game won, over the floor", "<= +3 MiB",
       "floor_peak_rss_kb", "brickbreaker_peak_rss_kb", "MiB", MIB, 1, "difference")
beside("peak RSS, Brick Breaker 6 s then a whole Dodge game, over the floor", "<= +3 MiB",
       "floor_peak_rss_kb", "peak_rss_kb", "MiB", MIB, 1, "difference")
add("peak RSS, Brick Breaker 6 s then a whole Dodge game", "<= 40 MB (38.1 MiB)",
    xvfb.get("peak_rss_kb"), "MiB", MIB, 1)
add("CPU of one core over 6 s, the launcher standing", "", xvfb.get("launcher_cpu_6s_percent"), "%",
    1, 2)
beside("CPU of one core over 6 s, level 1 paddle sweeping against the floor's oval", "",
       "floor_cpu_6s_percent", "play_cpu_6s_percent", "%", 1, 2, "ratio")
group = "cpu"
add("CPU of kestrin, level 1 played 30 s", "<= 3 %", xvfb.get("cpu_percent"), "%", 1, 2)
games = xvfb.get("brickbreaker_game_seconds")
if games:
    rows.append(("whole Brick Breaker games played through X: won, length", "",
                 "%d of %d, %s" % (sum(xvfb.get("brickbreaker_game_won", [])), len(games),
                                   spread(games, "s", 0))))
# The toolkit is never told of the machine's fonts, so this only says what
# the machine had, for a figure set beside one from another machine.
fonts = xvfb.get("fonts_installed")
if fonts:
    rows.append(("fonts installed on the machine (fc-list)", "", "%d" % median(fonts)))


# Key to screen: every sample of every run pooled. The rule's floor is the
# wait for the next tick: uniform over one period (p50 7.8, p99 15.5 ms).
def pct(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(p / 100 * (len(values) - 1) + 0.5))]


period = 15.625
group = "latency"
for load, beside_what in (("idle", "idle"), ("busy", "beside two busy loops")):
    samples = [v / 1000 for v in xvfb.get("key_latency_%s_us" % load, [])]
    figure = "key down to paddle moved on screen, %s: p50 / p99 / max" % beside_what
    if not samples:
        missing.append((group, figure))
        continue
    measured.add(group)
    missed = sum(xvfb.get("key_latency_%s_missed" % load, []))
    rows.append((figure, "p99 <= %.3f ms" % (period + 1),
                 "%.1f / %.1f / %.1f ms (%d presses, %d missed)"
                 % (pct(samples, 50), pct(samples, 99), max(samples), len(samples), missed)))
    # Where the time went, from kestrin-probe keys with the same player.
    for part, what in [("to_host", "X server and Qt's event thread to the window"),
                       ("wait", "wait for the next tick's due time (the rule's)"),
                       ("late", "the tick's wake after it was due"),
                       ("work", "tick, sync, repaint, flush"),
                       ("to_screen", "flush to the damage report")]:
        values = [v / 1000 for v in xvfb.get("key_%s_part_%s_us" % (load, part), [])]
        if values:
            matched = "%d of %d presses" % (sum(xvfb.get("key_%s_parts_matched" % load, [])),
                                            sum(xvfb.get("key_%s_parts_samples" % load, [])))
            rows.append(("key to screen, %s, part: %s: p50 / p99 / max" % (beside_what, what), "",
                         "%.2f / %.2f / %.2f ms (%s)"
                         % (pct(values, 50), pct(values, 99), max(values), matched)))

# kestrin-watch against kestrin-replay on one long script.
path = os.path.join(results, "watch_memory.txt")
if os.path.exists(path):
    with open(path) as f:
        for line in f:
            m = re.match(r"(\S+): a ([\d.]+) MiB script, peak RSS ([\d.]+) MiB, ([\d.]+) s", line)
            if m:
                rows.append(("peak RSS of %s playing a %s MiB script" % (m[1], m[2]), "",
                             "%s MiB (%s s, 1 run)" % (m[3], m[4])))


def table(header, body):
    widths = [max(len(r[i]) for r in [header] + body) for i in range(len(header))]
    for r in [header, tuple("-" * w for w in widths)] + body:
        print("| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |")


table(("figure", "goal", "value now"), rows)
# A figure missing from a group that was run: a probe that said nothing.
missing = [figure for g, figure in missing if g in measured]
if missing:
    print("\nnot measured in this run: " + "; ".join(missing))
