#!/usr/bin/env python3
"""Prints the comparison table of a benchmark run.

    report.py RESULTS_DIR

RESULTS_DIR holds manifest.json (the pairs and their goals) and the Google
Benchmark JSON files of the run. The time of a benchmark is the median of its
repetitions; the ratio is trv's median over the peer's. Times are the CPU time
of the benchmark thread (user and kernel time, so system calls count): on a
shared machine the wall time also counts the time the thread waited for a core.
Pairs whose manifest entry says "clock": "wall" (work spread over threads,
which the benchmark thread's CPU time would not see) use the wall time.
"""
import json
import pathlib
import statistics
import sys

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def load_runs(directory):
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


def human(ns):
    if ns is None:
        return "-"
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if ns >= scale:
            return f"{ns / scale:.3g} {unit}"
    return f"{ns:.3g} ns"


def main():
    directory = pathlib.Path(sys.argv[1])
    manifest = json.loads((directory / "manifest.json").read_text())
    medians, wall_medians, counters = load_runs(directory)

    rows = [("Operation", "Peer", "trv", "peer", "ratio", "goal", "holds")]
    missed = 0
    for pair in manifest:
        times = wall_medians if pair.get("clock") == "wall" else medians
        trv = next((v for k, v in times.items() if k.endswith(f"/{pair['key']}/trv")), None)
        peer = next((v for k, v in times.items() if k.endswith(f"/{pair['key']}/peer")), None)
        if trv is None:
            continue
        if not pair["has_peer"] or peer is None:
            goal = f"<= {pair['goal']:g}" if pair["goal"] > 0 else "-"
            rows.append((pair["operation"], f"{pair['peer']} ({pair['peer_note']})", human(trv),
                         "-", "-", goal, "skipped"))
            continue
        ratio = trv / peer
        if pair["goal"] <= 0:  # shown for information
            rows.append((pair["operation"], pair["peer"], human(trv), human(peer), f"{ratio:.3f}",
                         "-", "-"))
            continue
        holds = ratio <= pair["goal"]
        missed += 0 if holds else 1
        rows.append((pair["operation"], pair["peer"], human(trv), human(peer), f"{ratio:.3f}",
                     f"<= {pair['goal']:g}", "yes" if holds else "NO"))

    widths = [max(len(row[i]) for row in rows) for i in range(len(rows[0]))]
    for index, row in enumerate(rows):
        print("| " + " | ".join(cell.ljust(widths[i]) for i, cell in enumerate(row)) + " |")
        if index == 0:
            print("|" + "|".join("-" * (w + 2) for w in widths) + "|")

    scales = sorted(name for name in medians if name.startswith("scale/"))
    if scales:
        print("\nScaling (median per operation):")
        for name in scales:
            extra = "".join(f", {k} {v:.3g}" for k, v in counters.get(name, {}).items())
            print(f"  {name[len('scale/'):]}: {human(medians[name])}{extra}")
    print(f"\n{missed} goal(s) missed")


if __name__ == "__main__":
    main()
