"""kestrin's own command line: --help and --version answer with status 0,
with no display to connect to, so no window opens; an unknown option or
argument is an error, status 2, and the game never starts (it would run
on until killed).

    python3 command_line.py KESTRIN OUTDIR
"""

import os
import subprocess
import sys


def main():
    kestrin, outdir = sys.argv[1], sys.argv[2]
    os.makedirs(outdir, exist_ok=True)
    runtime = os.path.join(outdir, "xdg-runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    bare = {k: v for k, v in os.environ.items()
            if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    bare["XDG_RUNTIME_DIR"] = runtime
    offscreen = dict(bare, QT_QPA_PLATFORM="offscreen")
    failures = []

    def run(args, env, status, out=None, err=None):
        try:
            done = subprocess.run([kestrin, *args], env=env, capture_output=True, text=True,
                                  timeout=20)
        except subprocess.TimeoutExpired:
            failures.append(f"kestrin {' '.join(args)} still ran after 20 s")
            return
        if done.returncode != status:
            failures.append(f"kestrin {' '.join(args)}: status {done.returncode}, not {status}: "
                            f"{done.stderr.strip()}")
        for text, want, name in ((done.stdout, out, "output"), (done.stderr, err, "errors")):
            for part in want or []:
                if part not in text:
                    failures.append(f"kestrin {' '.join(args)}: no {part!r} in its {name}")

    help_parts = ["Usage: kestrin", "Left, Right", "Up, Down", "Space", "Tab", "P, Pause",
                  "--version", "kestrin(6)", "README.md.gz"]
    run(["--help"], bare, 0, out=help_parts)
    run(["-h"], bare, 0, out=help_parts)
    run(["-platform", "offscreen", "--help"], bare, 0, out=["Usage: kestrin"])
    run(["--version"], bare, 0, out=["kestrin 1."])
    run(["--bogus"], offscreen, 2, err=["unknown option '--bogus'", "kestrin --help"])
    run(["-x"], offscreen, 2, err=["unknown option '-x'"])
    run(["game.txt"], offscreen, 2, err=["unexpected argument 'game.txt'"])

    for failure in failures:
        print(f"FAILED: {failure}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
