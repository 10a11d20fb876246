#!/usr/bin/env python3
"""latency_parts.py on made-up records: each press is split into parts that
add up to the time the player measured, a key that comes while its tick is
overdue waits nothing, and a press the host never saw is left out."""
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
MS = 1_000_000  # nanoseconds

# (pressed, reached the window, tick due, tick woke, tick done, painted, seen)
# and the parts expected, in microseconds.
CASES = [
    ("a key well before its tick",
     (100 * MS, 100 * MS + 300_000, 105 * MS + 300_000, 105 * MS + 400_000,
      105 * MS + 450_000, 105 * MS + 650_000, 105 * MS + 730_000),
     {"to_host": 300, "wait": 5000, "late": 100, "work": 250, "to_screen": 80}),
    ("a key while its tick is overdue",
     (200 * MS, 200 * MS + 500_000, 200 * MS + 200_000, 200 * MS + 900_000,
      200 * MS + 950_000, 201 * MS, 201 * MS + 50_000),
     {"to_host": 500, "wait": 0, "late": 400, "work": 100, "to_screen": 50}),
]


def run(probe_lines, player_lines):
    with tempfile.TemporaryDirectory() as d:
        probe, player = os.path.join(d, "probe"), os.path.join(d, "player")
        with open(probe, "w") as f:
            f.write("\n".join(probe_lines) + "\n")
        with open(player, "w") as f:
            f.write("\n".join(player_lines) + "\n")
        out = subprocess.run([sys.executable, os.path.join(HERE, "latency_parts.py"), probe, player],
                             check=True, capture_output=True, text=True).stdout
    return [line.split() for line in out.splitlines()]


def main():
    probe, player, expected = [], [], []
    for _, (pressed, arrived, due, woke, done, painted, seen), parts in CASES:
        probe += ["key %d" % arrived, "tick %d %d %d" % (due, woke, done), "painted %d" % painted]
        player += ["latency_us %d" % ((seen - pressed) // 1000),
                   "latency_at_ns %d %d" % (pressed, seen)]
        expected.append(parts)
        assert sum(parts.values()) * 1000 == seen - pressed, "a case whose parts do not add up"
    # A press that never reached the window before the player gave up on it.
    player.append("latency_at_ns %d %d" % (300 * MS, 300 * MS + 500 * MS // 1000))
    lines = run(probe, player)

    failures = []
    got = [{} for _ in CASES]
    index = {name: -1 for name in CASES[0][2]}
    for words in lines:
        if words[0].startswith("key_part_"):
            name = words[0][len("key_part_"):-len("_us")]
            index[name] += 1
            if index[name] < len(got):
                got[index[name]][name] = int(words[1])
    for (title, _, _), want, have in zip(CASES, expected, got):
        if want != have:
            failures.append("%s: expected %s, got %s" % (title, want, have))
    if ["key_parts_matched", "2"] not in lines or ["key_parts_samples", "3"] not in lines:
        failures.append("expected 2 of 3 presses matched: %s" % [w for w in lines if "parts_" in w[0]])
    for f in failures:
        print(f)
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
