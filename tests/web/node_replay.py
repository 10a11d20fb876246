"""kestrin-replay built to WebAssembly and run under node, against the
native tool: the same bytes on stdout and on stderr, and the same exit
status, for every script in the tree (the replay tests' scripts, the fuzz
corpus, the screenshot scripts and the recordings, each read from a file
and from standard input), for the sessions the end-to-end tests recorded
where the native build has them, and for the hostile inputs the replay
tests meet (a missing file, a directory, endless lines, closed, full and
vanishing outputs, the end of time).

    python3 node_replay.py --node NODE --native NATIVE_REPLAY --web REPLAY_JS \
        --source SOURCE_DIR [--native-build NATIVE_BUILD]

Node opens /dev/null in place of a standard stream that the process was
started without, before any of the program runs, so where the native tool
meets a closed stream the node one meets /dev/null: those cases are run,
and must differ in just that way.
"""

import argparse
import concurrent.futures
import os
import subprocess
import sys
import tempfile
from pathlib import Path

SCRIPT_GLOBS = [
    "tests/scripts/**/*.script", "tests/scripts/**/*.txt", "tests/scripts/**/*.replay",
    "tools/fuzz/corpus/*", "tools/screenshots/**/*.replay",
]

DAY = "click Main Image1\nticks 5529600\n"  # a day of play: more trace than any output takes

# (name, script, command, differs under node): $R is the tool, $S the
# script, $D a directory, $O the file the trace goes to.
STREAM_CASES = [
    ("empty script", "", "$R $S >$O", None),
    ("usage", "", "$R $S $S >$O", None),
    ("directory as SCRIPT", "", "$R $D >$O", None),
    ("missing SCRIPT", "", "$R $D/no >$O", None),
    ("stdin on a directory", "", "$R <$D >$O", None),
    ("stdin closed", "", "$R <&- >$O", "stdin"),
    ("full device", DAY, "$R $S >/dev/full", None),
    ("stdout closed", DAY, "$R $S >&-", "stdout"),
    ("full disk", DAY, "ulimit -f 64; $R $S >$O", None),
    ("reader gone", DAY, "($R $S; echo $? >$D/rc) | head -c 1 >/dev/null; exit $(cat $D/rc)", None),
    ("reader gone, SIGPIPE ignored", DAY,
     "trap '' PIPE; ($R $S; echo $? >$D/rc) | head -c 1 >/dev/null; exit $(cat $D/rc)", None),
    ("/dev/zero", "", "$R /dev/zero >$O", None),
    ("endless line on a pipe", "", "yes | tr -d '\\n' | $R >$O", None),
    ("endless comment on a pipe", "", "(printf '#'; yes | tr -d '\\n') | $R >$O", None),
    ("the end of time", "wait 86400000\n" * 11575, "$R $S >$O", None),
    ("binary", "\x7fELF\x02\x01\x01\0\0\0", "$R $S >$O", None),
    ("overlong line", "ticks 1\n\n" + "9" * 5000 + "\n", "$R $S >$O", None),
    ("unterminated last line", "ticks 1\nkeydown", "$R $S >$O", None),
    ("carriage returns and NUL bytes", "click Main Image1\r\nwait 1\0\n", "$R $S >$O", None),
    # Failures whose reasons each C library words its own way.
    ("a path through a file", "", "$R $S/x >$O", None),
    ("a symbolic link loop", "", "ln -s loop $D/loop; $R $D/loop >$O; s=$?; rm $D/loop; exit $s", None),
    ("a name too long, its first 255 bytes a file's", "",
     "touch $D/$(printf '%0255d' 0); $R $D/$(printf '%0300d' 0) >$O", None),
    ("a read that fails", "", "$R /proc/self/mem >$O", None),
]


def run(tool, case_dir, script, command):
    """(status, stdout, stderr) of command with $R the tool."""
    script_path = case_dir / "script"
    script_path.write_bytes(script if isinstance(script, bytes) else script.encode("latin-1"))
    out = case_dir / "out"
    if out.exists():
        out.unlink()
    env = dict(os.environ, R=str(tool), S=str(script_path), D=str(case_dir), O=str(out))
    with open(case_dir / "stdout", "wb") as stdout, open(case_dir / "stderr", "wb") as stderr:
        status = subprocess.run(["timeout", "120", "sh", "-c", command], env=env,
                                stdout=stdout, stderr=stderr, check=False).returncode
    trace = out.read_bytes() if out.exists() else (case_dir / "stdout").read_bytes()
    return status, trace, (case_dir / "stderr").read_bytes()


def describe(a, b):
    for what, x, y in (("status", a[0], b[0]), ("stdout", a[1], b[1]), ("stderr", a[2], b[2])):
        if x != y:
            if what == "status":
                return f"status {x} natively, {y} under node"
            at = next((i for i in range(min(len(x), len(y))) if x[i] != y[i]), min(len(x), len(y)))
            return (f"{what} differs at byte {at} of {len(x)} (native) and {len(y)} (node): "
                    f"{x[max(0, at - 40):at + 40]!r} against {y[max(0, at - 40):at + 40]!r}")
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--node", required=True)
    parser.add_argument("--native", type=Path, required=True)
    parser.add_argument("--web", type=Path, required=True)
    parser.add_argument("--source", type=Path, required=True)
    parser.add_argument("--native-build", type=Path)
    args = parser.parse_args()
    native, web, source, native_build = args.native, args.web, args.source, args.native_build
    for path, what in ((native, "native kestrin-replay (build the native tree first)"),
                       (web, "kestrin-replay.js")):
        if not path.exists():
            print(f"node_replay: no {what} at {path}")
            return 1

    scripts = sorted({p for g in SCRIPT_GLOBS for p in source.glob(g) if p.is_file()})
    if native_build is not None:
        scripts += sorted(native_build.glob("tests/e2e/recorded_*/session.script"))
    cases = []
    for p in scripts:
        name = str(p.relative_to(source) if p.is_relative_to(source) else p)
        cases.append((name, p.read_bytes(), "$R $S >$O", None))
        cases.append((name + " on stdin", p.read_bytes(), "$R <$S >$O", None))
    cases += STREAM_CASES

    with tempfile.TemporaryDirectory(prefix="kestrin-node-replay-") as tmp:
        wrapper = Path(tmp) / "kestrin-replay-node"
        wrapper.write_text(f'#!/bin/sh\nexec "{args.node}" "{web}" "$@"\n')
        wrapper.chmod(0o755)

        def compare(numbered):
            number, (name, script, command, closed) = numbered
            case_dir = Path(tmp) / f"case{number}"
            case_dir.mkdir()
            theirs = run(native, case_dir, script, command)
            ours = run(wrapper, case_dir, script, command)
            if closed is not None:
                # Under node the closed stream is /dev/null: an empty script
                # read, or the trace written away, and success.
                if theirs[0] == 1 and ours[0] == 0 and ours[2] == b"":
                    return "known", f"known {name}: node gives the program /dev/null for the closed {closed}"
                return "failed", (f"FAIL {name}: expected status 1 natively and 0 under node, silent; "
                               f"got {theirs[0]} and {ours[0]}, stderr {ours[2]!r}")
            difference = describe(theirs, ours)
            if difference:
                return "failed", f"FAIL {name}: {difference}"
            return "alike", f"ok   {name}: status {theirs[0]}, {len(theirs[1])} bytes of trace"

        with concurrent.futures.ThreadPoolExecutor(os.cpu_count() or 2) as pool:
            results = list(pool.map(compare, enumerate(cases)))
    for _, line in results:
        print(line)
    count = {outcome: sum(1 for o, _ in results if o == outcome)
             for outcome in ("alike", "known", "failed")}
    print(f"{count['alike']} of {len(cases)} cases alike, {count['known']} different as node makes "
          f"them, {count['failed']} failed ({len(scripts)} scripts, each from a file and from stdin, "
          f"and {len(STREAM_CASES)} hostile inputs)")
    return 1 if count["failed"] else 0


if __name__ == "__main__":
    sys.exit(main())
