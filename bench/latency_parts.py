#!/usr/bin/env python3
"""Splits key-to-screen times into where they went.

  latency_parts.py PROBE_OUTPUT PLAYER_OUTPUT

PROBE_OUTPUT is what `kestrin-probe keys` printed, PLAYER_OUTPUT what
`kestrin-xplay latency` printed while playing it; both read the same
monotonic clock. For each press the player timed, prints one line a part,
in microseconds:

  key_part_to_host_us    the press going through the X server and Qt's event
                         thread to the game's window
  key_part_wait_us       from there to the next tick's due time: the rule's
                         own wait, 0 to one period
  key_part_late_us       the tick's wake after its due time (or after the
                         key, when the key came while the tick was overdue)
  key_part_work_us       the tick run, the windows synced and the paddle's
                         old and new places painted and flushed
  key_part_to_screen_us  from the flush to the player seeing the X server's
                         damage report
"""
import bisect
import sys


def read(path):
    with open(path) as f:
        return [line.split() for line in f if line.strip()]


def first_at_or_after(values, t):
    i = bisect.bisect_left(values, t)
    return values[i] if i < len(values) else None


def main(probe_path, player_path):
    probe = read(probe_path)
    keys = sorted(int(p[1]) for p in probe if p[0] == "key")
    ticks = sorted((int(p[2]), int(p[1]), int(p[3])) for p in probe if p[0] == "tick")  # by wake
    wakes = [t[0] for t in ticks]
    paints = sorted(int(p[1]) for p in probe if p[0] == "painted")
    samples = [(int(p[1]), int(p[2])) for p in read(player_path) if p[0] == "latency_at_ns"]
    matched = 0
    for pressed, seen in samples:
        arrived = first_at_or_after(keys, pressed)
        if arrived is None or arrived > seen:
            continue
        i = bisect.bisect_left(wakes, arrived)
        if i == len(ticks):
            continue
        woke, due, done = ticks[i]
        painted = first_at_or_after(paints, done)
        if painted is None:
            continue
        matched += 1
        parts = {
            "to_host": arrived - pressed,
            "wait": max(0, due - arrived),
            "late": woke - max(due, arrived),
            "work": painted - woke,
            "to_screen": seen - painted,
        }
        for name, ns in parts.items():
            print("key_part_%s_us %d" % (name, ns // 1000))
    print("key_parts_matched %d" % matched)
    print("key_parts_samples %d" % len(samples))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
