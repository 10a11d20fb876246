"""kestrin-watch's memory against the length of its script: the peak
resident size of kestrin-watch playing a long script (on the offscreen
platform, at its fastest speed, with its trace), beside kestrin-replay's
on the same script. The script is a game opened, then waits of a
microsecond, which the watch plays at once and the replay runs fast, so
the figure is what the tool holds, not what the windows do.

    python3 bench/watch_memory.py BUILD_DIR [MEGABYTES]     (default 66)

Prints one line for each tool: the script's size, the peak resident size
in MiB and the seconds it took; exits 1 if either tool fails.
"""

import os
import subprocess
import sys
import tempfile
import time

LINE = b"wait 0.001\n"


def high_water(pid):
    """The process's peak resident size so far, in KiB (VmHWM); 0 once it is gone."""
    try:
        with open(f"/proc/{pid}/status") as status:
            for line in status:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def peak(command, **kwargs):
    """Runs command; (exit status, peak resident MiB, seconds). The peak is
    read from /proc every 10 ms while it runs (a fork's own count would
    start at this process's size)."""
    started = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, **kwargs)
    kib = 0
    while process.poll() is None:
        kib = max(kib, high_water(process.pid))
        time.sleep(0.01)
    return process.returncode, kib / 1024, time.monotonic() - started


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    build = sys.argv[1]
    megabytes = int(sys.argv[2]) if len(sys.argv) == 3 else 66
    tools = os.path.join(build, "tools")
    with tempfile.TemporaryDirectory() as scratch:
        script = os.path.join(scratch, "long.replay")
        chunk = LINE * (1024 * 1024 // len(LINE))
        with open(script, "wb") as f:
            f.write(b"click Main Image1\n")
            for _ in range(int(megabytes)):
                f.write(chunk)
        size = os.path.getsize(script) / (1024 * 1024)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_RUNTIME_DIR=scratch)
        failed = False
        for name, command in (
                ("kestrin-watch", [os.path.join(tools, "kestrin-watch"), script, "--speed", "1000",
                                   "--trace", os.path.join(scratch, "trace")]),
                ("kestrin-replay", [os.path.join(tools, "kestrin-replay"), script])):
            status, rss, seconds = peak(command, env=env)
            print(f"{name}: a {size:.1f} MiB script, peak RSS {rss:.1f} MiB, {seconds:.1f} s"
                  + ("" if status == 0 else f", exit status {status}"))
            failed = failed or status != 0
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
