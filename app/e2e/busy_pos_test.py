#!/usr/bin/env python3
"""End-to-end test: three displays (three profiles of one program folder) on
one data folder while a busy point-of-sale (lumisett-pos-sim) rewrites records
whole and in pieces, appends, holds the index lock for seconds, opens tables
exclusively, rebuilds and replaces indexes and takes files away for a moment,
and a till per display writes codes, a third of them in pieces with pauses of
up to 0.8 s. Every screen is checked against the tables (busy_pos.py): no
wrong item, no mixed record, no "not found" or missing-file text for an item
that exists, no half code; once the point-of-sale lets go, every display shows
its till's next code as the tables have it.

  busy_pos_test.py --lumisett EXE --demo-data EXE --tool EXE --pos-sim EXE [--keep]
"""

import argparse
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from busy_pos import BusyRun, summary  # noqa: E402
from driver import StepFailed, limit_whole_run  # noqa: E402

RATES = {"rewrite": 4, "rewrite-pieces": 2, "append": 0.3, "hold-index": 0.2, "exclusive": 0.15,
         "reindex": 0.3, "replace": 0.3, "delete": 0.2}


def main():
    parser = argparse.ArgumentParser()
    for name in ("lumisett", "demo-data", "tool", "pos-sim"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--keep", action="store_true")
    parser.add_argument("--seconds", type=float, default=35)
    args = parser.parse_args()
    limit_whole_run(int(args.seconds) + 150)
    root = tempfile.mkdtemp(prefix="lumisett-busy-")
    run = BusyRun(args, root, displays=3, items=400, seconds=args.seconds, rates=RATES)
    ok = False
    try:
        run.make_shop()
        run.start_displays()
        run.busy_phase()
        wrong, latencies = run.judge()
        written, shown, p50, p95 = summary(latencies)
        print(f"codes written {written}, shown {shown} (the others overtaken by the next code "
              f"while the tables were held), median {p50:.3f} s, 95th percentile {p95:.3f} s")
        with open(os.path.join(root, "report.txt"), "w") as report:
            for profile, code, why in wrong:
                print(f"WRONG {profile} {code}: {why}", file=report)
            for d in run.displays:
                for t, title, text in d.samples:
                    print(f"{d.profile} {t:.3f} {title!r} {text!r}", file=report)
                for t, code in d.till.written:
                    print(f"{d.profile} {t:.3f} wrote {code}", file=report)
        for profile, code, why in wrong[:20]:
            print(f"WRONG {profile} {code}: {why}", file=sys.stderr)
        if wrong:
            raise StepFailed(f"{len(wrong)} screens showed what the tables never held")
        if shown < written / 2:
            raise StepFailed(f"only {shown} of {written} codes were shown")
        run.settle_phase()
        print("every display shows its till's code as the tables have it")
        ok = True
    except StepFailed as e:
        print(f"FAIL: {e}", file=sys.stderr)
    finally:
        run.end()
        if ok and not args.keep:
            shutil.rmtree(root, ignore_errors=True)
        else:
            print(f"kept: {root}", file=sys.stderr)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
