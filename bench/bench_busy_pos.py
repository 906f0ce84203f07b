#!/usr/bin/env python3
"""Benchmark: N displays (1, 5, 10) on one data folder against a busy
point-of-sale (lumisett-pos-sim) while their tills write codes, for a while
each. Prints, for each N: codes written, shown correctly, wrong (must be 0),
"not found" for an existing item (must be 0), mixed records (must be 0),
code-to-screen p50/p95 with the point-of-sale busy and idle, CPU and memory
per display, and the point-of-sale's write time (a record rewritten under its
lock) with the N displays held (SIGSTOP) and with them at work, in turns of
half a second, as a ratio measured in the same run (the aim: under 1.1).

  bench_busy_pos.py --build BUILD_FOLDER [--seconds S] [--displays 1,5,10]
"""

import argparse
import os
import shutil
import signal
import statistics
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app", "e2e"))

from busy_pos import BusyRun, summary  # noqa: E402

RATES = {"rewrite": 5, "rewrite-pieces": 2, "append": 0.3, "hold-index": 0.2, "exclusive": 0.15,
         "reindex": 0.3, "replace": 0.3, "delete": 0.2}


def write_times(run, seconds):
    """How long the point-of-sale's record rewrites take (begin to end), s."""
    journal = os.path.join(run.root, "writes.csv")
    pos = run.start_pos({"rewrite": 20}, seconds, journal, verbose=True)
    begun, took = {}, []
    for line in pos.stdout:
        t, action, phase = line.split()[:3]
        if phase == "begin":
            begun[action] = float(t)
        elif phase == "end" and action in begun:
            took.append(float(t) - begun.pop(action))
    pos.wait()
    run.versions.read_journal(journal)  # the versions it wrote are versions the items had
    return took


def restart_displays(run, probe_ms):
    """The displays started again, their UI probe every `probe_ms`: while the
    write times are measured nothing reads the probe, and at the checks' 20 ms
    its snapshots would be most of what a display does."""
    for d in run.displays:
        d.proc.terminate()
        d.proc.wait(timeout=20)
    run.probe_ms = probe_ms
    for d in run.displays:
        os.remove(d.probe)
        d.start(run.args.lumisett, run.x)
    deadline = time.monotonic() + 30
    while not all(d.look() and d.look()[1] for d in run.displays):
        if time.monotonic() > deadline:
            raise RuntimeError("the displays did not come back within 30 s")
        time.sleep(0.2)


def toggled_write_times(run, seconds=40, half=0.5):
    """The point-of-sale's record rewrites for `seconds` while the tills write
    and the displays are held (SIGSTOP) and let go in turns of `half` s, so
    that both sets meet the same machine: on a shared machine the load of
    other work drifts more over seconds than the displays add. Returns the
    write times (s) with the displays held and with them at work; a write
    across a change counts for neither."""
    journal = os.path.join(run.root, "writes.csv")
    run.stop.clear()
    tills = threading.Thread(target=run.tills)
    tills.start()
    pos = run.start_pos({"rewrite": 20}, seconds, journal, verbose=True)
    changes = []  # (wall time, held from then on)

    def toggle():
        held = False
        while pos.poll() is None:
            held = not held
            for d in run.displays:
                os.kill(d.proc.pid, signal.SIGSTOP if held else signal.SIGCONT)
            changes.append((time.time(), held))
            time.sleep(half)

    toggler = threading.Thread(target=toggle)
    toggler.start()
    begun, writes = {}, []
    try:
        for line in pos.stdout:
            t, action, phase = line.split()[:3]
            if phase == "begin":
                begun[action] = float(t)
            elif phase == "end" and action in begun:
                writes.append((begun.pop(action), float(t)))
        pos.wait()
    finally:
        toggler.join()
        for d in run.displays:
            os.kill(d.proc.pid, signal.SIGCONT)
        run.stop.set()
        tills.join()
    run.versions.read_journal(journal)
    held, at_work = [], []
    for begin, end in writes:
        before = [h for t, h in changes if t <= begin]
        if not before or any(begin < t <= end for t, _ in changes):
            continue
        (held if before[-1] else at_work).append(end - begin)
    return held, at_work


def tills_only(run, seconds):
    """The tills writing with the point-of-sale idle; returns when done."""
    run.stop.clear()
    threads = [threading.Thread(target=run.watch), threading.Thread(target=run.tills)]
    for t in threads:
        t.start()
    time.sleep(seconds)
    run.stop.set()
    for t in threads:
        t.join()


def one(args, n):
    root = tempfile.mkdtemp(prefix=f"lumisett-bench-busy-{n}-")
    run = BusyRun(args, root, displays=n, items=2000, seconds=args.seconds, rates=RATES, probe_ms=20)
    try:
        run.make_shop()
        before = write_times(run, 10)
        run.start_displays()
        cpu0 = run.usage()
        t0 = time.monotonic()
        idle_from = time.monotonic()
        tills_only(run, 20)
        _, idle = run.judge(since=idle_from)
        busy_from = time.monotonic()
        run.stop.clear()
        run.busy_phase()
        wrong, busy = run.judge(since=busy_from)
        run.settle_phase(timeout=15)
        elapsed = time.monotonic() - t0
        cpu1 = run.usage()
        # The point-of-sale's own writes while the displays look things up.
        restart_displays(run, 1000)
        alone, beside = toggled_write_times(run)
        written, shown, p50, p95 = summary(busy)
        _, _, i50, i95 = summary(idle)
        not_found = sum(1 for w in wrong if w[2] == "not found")
        mixed = sum(1 for w in wrong if w[2].startswith("mixed"))
        cpu = [(b[0] - a[0]) / elapsed * 100 for a, b in zip(cpu0, cpu1)]
        rss = [b[1] for b in cpu1]
        ratio = statistics.median(beside) / statistics.median(alone)
        for profile, code, why in wrong[:10]:
            print(f"{n} displays: WRONG {profile} {code}: {why}")
        print(f"{n} displays: codes written {written}, shown correctly {shown - len(wrong)}, "
              f"wrong {len(wrong)}, not found for an existing item {not_found}, mixed records {mixed}")
        print(f"{n} displays: code to screen, point-of-sale busy: median {p50:.3f} s, "
              f"95th percentile {p95:.3f} s; idle: median {i50:.3f} s, 95th percentile {i95:.3f} s")
        print(f"{n} displays: per display CPU {statistics.mean(cpu):.2f} % of one core "
              f"(most {max(cpu):.2f} %), memory {statistics.mean(rss):.1f} MB (most {max(rss):.1f} MB)")
        print(f"{n} displays: point-of-sale record write, median {statistics.median(alone) * 1000:.2f} ms "
              f"with the displays held, {statistics.median(beside) * 1000:.2f} ms beside them at work "
              f"(in turns of 0.5 s; {len(alone)} and {len(beside)} writes): ratio {ratio:.2f} "
              f"(aim < 1.1) {'ok' if ratio < 1.1 else 'MISSED'}; "
              f"before any display started {statistics.median(before) * 1000:.2f} ms", flush=True)
        return not wrong
    finally:
        run.end()
        shutil.rmtree(root, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--seconds", type=float, default=90)
    parser.add_argument("--displays", default="1,5,10")
    a = parser.parse_args()
    b = os.path.abspath(a.build)
    args = argparse.Namespace(lumisett=f"{b}/app/lumisett", demo_data=f"{b}/devtools/lumisett-demo-data",
                              tool=f"{b}/tools/lumisett-tool", pos_sim=f"{b}/devtools/lumisett-pos-sim",
                              seconds=a.seconds)
    ok = all([one(args, int(n)) for n in a.displays.split(",")])
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
