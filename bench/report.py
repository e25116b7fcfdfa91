#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Prints the comparison table of a benchmark run.

    report.py RESULTS_DIR [--history HISTORY_DIR]

RESULTS_DIR holds manifest.json (the pairs and their goals), binary.txt (an
identifier of the benchmark binary and the library it loads) and the Google
Benchmark JSON files of the run. The time of a benchmark is the median of its
repetitions; the ratio is trv's median over the peer's. Times are the CPU time
of the benchmark thread (user and kernel time, so system calls count): on a
shared machine the wall time also counts the time the thread waited for a core.
Pairs whose manifest entry says "clock": "wall" (work spread over threads,
which the benchmark thread's CPU time would not see) use the wall time.

With --history, HISTORY_DIR holds earlier runs, one folder each, named so that
they sort in the order they were made (bench/run copies every full run there,
this one included). The table then also shows, per pair, the worst ratio over
the last three runs made with the same binary as this one, and the goals are
judged on that worst ratio: a goal holds only if it held in each of the runs.
"""
import argparse
import json
import pathlib
import statistics

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
RUNS_JUDGED = 3


def load_runs(directory):
    """The medians of the CPU times and of the wall times, by benchmark name,
    and the counters per operation."""
    times, walls, counters = {}, {}, {}
    for path in sorted(directory.glob("*.json")):
        if path.name == "manifest.json":
            continue
        data = json.loads(path.read_text())
        for run in data.get("benchmarks", []):
            if run.get("run_type") != "iteration":
                continue
            name = run["run_name"] if "run_name" in run else run["name"]
            name = name.removesuffix("/real_time")
            times.setdefault(name, []).append(run["cpu_time"] * UNIT_NS[run["time_unit"]])
            walls.setdefault(name, []).append(run["real_time"] * UNIT_NS[run["time_unit"]])
            extra = {k: v for k, v in run.items() if k.endswith("/op")}
            if extra:
                counters[name] = extra
    median = lambda runs: {name: statistics.median(values) for name, values in runs.items()}
    return median(times), median(walls), counters


def binary_of(directory):
    path = directory / "binary.txt"
    return path.read_text().strip() if path.exists() else None


def sides(pair, medians, wall_medians):
    """The times of trv and of the peer of a pair, None where not measured."""
    times = wall_medians if pair.get("clock") == "wall" else medians
    side = lambda which: next(
        (v for k, v in times.items() if k.endswith(f"/{pair['key']}/{which}")), None)
    return side("trv"), side("peer")


def ratios_of(directory):
    """The ratio of every pair measured in one run, by pair key."""
    medians, wall_medians, _ = load_runs(directory)
    manifest = json.loads((directory / "manifest.json").read_text())
    ratios = {}
    for pair in manifest:
        trv, peer = sides(pair, medians, wall_medians)
        if trv is not None and peer:
            ratios[pair["key"]] = trv / peer
    return ratios


def judged_runs(current, history):
    """This run and the runs made just before it with the same binary, at
    most RUNS_JUDGED in all, newest last."""
    if history is None or not history.is_dir():
        return [current]
    binary = binary_of(current)
    same = [d for d in sorted(history.iterdir())
            if d.is_dir() and binary is not None and binary_of(d) == binary]
    # The current run is normally in the history already: it is taken from
    # RESULTS_DIR either way, counted once, and only the runs made before it
    # go with it.
    if current.resolve().parent == history.resolve():
        same = [d for d in same if d.name < current.resolve().name]
    return same[-(RUNS_JUDGED - 1):] + [current] if RUNS_JUDGED > 1 else [current]


def human(ns):
    if ns is None:
        return "-"
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


def print_table(rows):
    widths = [max(len(row[i]) for row in rows) for i in range(len(rows[0]))]
    for index, row in enumerate(rows):
        print("| " + " | ".join(cell.ljust(widths[i]) for i, cell in enumerate(row)) + " |")
        if index == 0:
            print("|" + "|".join("-" * (w + 2) for w in widths) + "|")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results", type=pathlib.Path)
    parser.add_argument("--history", type=pathlib.Path)
    args = parser.parse_args()

    directory = args.results
    manifest = json.loads((directory / "manifest.json").read_text())
    medians, wall_medians, counters = load_runs(directory)
    runs = judged_runs(directory, args.history)
    run_ratios = [ratios_of(run) for run in runs]
    worst_heading = f"worst of {len(runs)}"

    rows = [("Operation", "Peer", "trv", "peer", "ratio", worst_heading, "goal", "holds")]
    missed = 0
    for pair in manifest:
        key = pair["key"]
        trv, peer = sides(pair, medians, wall_medians)
        if trv is None:
            continue
        goal = f"<= {pair['goal']:g}" if pair["goal"] > 0 else "-"
        if not pair["has_peer"] or peer is None:
            rows.append((pair["operation"], f"{pair['peer']} ({pair['peer_note']})", human(trv),
                         "-", "-", "-", goal, "skipped"))
            continue
        measured = [ratios[key] for ratios in run_ratios if key in ratios]
        worst = max(measured)
        if pair["goal"] <= 0:  # shown for information
            holds = "-"
        elif worst <= pair["goal"]:
            holds = "yes"
        else:
            holds = "NO"
            missed += 1
        rows.append((pair["operation"], pair["peer"], human(trv), human(peer), f"{trv / peer:.3f}",
                     f"{worst:.3f}", goal, holds))
    print_table(rows)

    scales = sorted(name for name in medians if name.startswith("scale/"))
    if scales:
        print("\nScaling (median per operation, this run):")
        for name in scales:
            extra = "".join(f", {k} {v:.3g}" for k, v in counters.get(name, {}).items())
            print(f"  {name[len('scale/'):]}: {human(medians[name])}{extra}")

    print(f"\nGoals judged on the worst ratio of {len(runs)} run(s) made with this binary: "
          + ", ".join(run.resolve().name for run in runs))
    if args.history is not None and len(runs) < RUNS_JUDGED:
        print(f"({RUNS_JUDGED - len(runs)} more run(s) with this binary give the "
              f"{RUNS_JUDGED}-run verdict)")
    print(f"{missed} goal(s) missed")


if __name__ == "__main__":
    main()
