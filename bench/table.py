#!/usr/bin/env python3
"""Prints the benchmark figures as one table: figure, goal, median, spread.

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

widths = [max(len(r[i]) for r in rows + [("figure", "goal", "median", "spread (min - max)", "runs")])
          for i in range(5)]
header = ("figure", "goal", "median", "spread (min - max)", "runs")
for r in [header, tuple("-" * w for w in widths)] + rows:
    print("| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |")
