#!/usr/bin/env python3
"""Prints the probe's figures side by side: the game against the bare program on each SDL 1.2.

usage: summarize.py RESULTS_DIR, holding one file IMPLEMENTATION-PROGRAM-RUN per run.
Each cell is the median over the runs; "spread" is the widest (max - min) / median of the cells.
"""
import pathlib
import statistics
import sys

# figure, label, goal: at most this ratio to the bare program ("x") or this absolute value
FIGURES = [
    ("start_to_first_frame_ms", "start to first frame, ms", (1.2, "x")),
    ("cpu_to_first_frame_ms", "CPU until the first frame, ms", (1.2, "x")),
    ("cpu_per_key_ms", "CPU per key press, ms", (1.2, "x")),
    ("key_to_pixels_ms", "key press to pixels changed, ms", None),
    ("idle_wakeups_per_s", "idle wake-ups per second", (30, "")),
    ("idle_cpu_ms_per_s", "idle CPU, ms per second", None),
    ("peak_memory_mb", "peak memory (VmHWM), MB", (1.2, "x")),
    ("close_to_exit_ms", "close request to exit, ms", (1.2, "x")),
]
IMPLEMENTATIONS = [("classic", "classic SDL 1.2"), ("compat", "sdl12-compat")]


def load(directory):
    runs = {}
    for path in pathlib.Path(directory).iterdir():
        implementation, program, _ = path.name.split("-")
        values = dict(line.split() for line in path.read_text().splitlines() if line.strip())
        runs.setdefault((implementation, program), []).append(values)
    return runs


def cell(value):
    return "-" if value is None else "%.3g" % value if value < 100 else "%.0f" % value


def main():
    runs = load(sys.argv[1])
    header = "%-33s" % "figure (median)"
    for _, name in IMPLEMENTATIONS:
        header += "| %-27s" % name
    print(header + "| goal    spread")
    print("%-33s" % "" + "| %8s %8s %8s  " % ("game", "bare", "ratio") * 2 + "|")
    missed = []
    for key, label, goal in FIGURES:
        line, spread = "%-33s" % label, 0.0
        for implementation, name in IMPLEMENTATIONS:
            medians = []
            for program in ("game", "bare"):
                values = [float(r[key]) for r in runs.get((implementation, program), []) if key in r]
                median = statistics.median(values) if values else None
                if median:
                    spread = max(spread, (max(values) - min(values)) / median)
                medians.append(median)
            game, bare = medians
            ratio = game / bare if game is not None and bare else None
            mark = " "
            if goal and game is not None:
                measured = ratio if goal[1] == "x" else game
                if measured is not None and measured > goal[0]:
                    mark = "!"
                    missed.append("%s on %s" % (label, name))
            ratio_text = "-" if ratio is None else "%.2f" % ratio
            line += "| %8s %8s %8s%s " % (cell(game), cell(bare), ratio_text, mark)
        goal_text = "-" if goal is None else "<= %g%s" % goal
        print(line + "| %-7s %4.0f%%" % (goal_text, spread * 100))
    counts = {k: len(v) for k, v in runs.items()}
    print("runs: " + ", ".join("%s %s %d" % (i, p, n) for (i, p), n in sorted(counts.items())))
    print("goals missed (!): " + ("; ".join(missed) if missed else "none"))


if __name__ == "__main__":
    main()
