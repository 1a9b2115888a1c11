#!/usr/bin/env python3
"""Prints the probe's figures side by side: the game against the bare program on each SDL 1.2.

usage: summarize.py [--markdown] RESULTS_DIR, holding one file IMPLEMENTATION-PROGRAM-RUN per run.
Each cell is the mean of the middle half of the runs: steadier than the median where a figure
varies by itself (closing waits for a random moment of SDL's audio period), and deaf to the runs
a busy machine spoilt. "spread" is the widest range of that middle half, over its mean, in a row:
how noisy the machine was.
A ratio or figure that misses its goal is marked with "!".
"""
import pathlib
import statistics
import sys

# figure, label, goal: at most this ratio to the bare program ("x") or this value for the game
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


def middle(values):
    values = sorted(values)
    quarter = len(values) // 4
    return values[quarter:len(values) - quarter]


def number(value):
    return "-" if value is None else "%.3g" % value if value < 100 else "%.0f" % value


def rows(runs, implementations):
    """The table's rows of cells, and the goals missed."""
    table, missed = [], []
    for key, label, goal in FIGURES:
        row, spread = [label], 0.0
        for implementation, name in implementations:
            centres = []
            for program in ("game", "bare"):
                values = [float(r[key]) for r in runs.get((implementation, program), []) if key in r]
                half = middle(values)
                centre = statistics.mean(half) if values else None
                if centre:
                    spread = max(spread, (half[-1] - half[0]) / centre)
                centres.append(centre)
            game, bare = centres
            ratio = game / bare if game is not None and bare else None
            measured = ratio if goal and goal[1] == "x" else game
            mark = "!" if goal and measured is not None and measured > goal[0] else ""
            if mark:
                missed.append("%s on %s" % (label, name))
            row += [number(game), number(bare), ("-" if ratio is None else "%.2f" % ratio) + mark]
        row += ["-" if goal is None else "<= %g%s" % goal, "%.0f%%" % (spread * 100)]
        table.append(row)
    return table, missed


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    markdown = sys.argv[1] == "--markdown"
    runs = load(sys.argv[-1])
    # A system with one SDL 1.2 has been measured on that one alone.
    implementations = [(i, name) for i, name in IMPLEMENTATIONS if any(i == r[0] for r in runs)]
    table, missed = rows(runs, implementations)
    header = ["figure (middle mean)"] + ["game", "bare", "ratio"] * len(implementations) + ["goal", "spread"]
    if markdown:
        names = " | ".join("game, %s | bare, %s | ratio" % (name, name) for _, name in implementations)
        print("| figure (middle mean) | %s | goal | spread |" % names)
        print("|---" * len(header) + "|")
        for row in table:
            print("| " + " | ".join(row) + " |")
    else:
        print(" " * 33 + "".join("| %-28s" % name for _, name in implementations) + "|")
        end = 1 + 3 * len(implementations)
        for row in [header] + table:
            print("%-33s" % row[0] + "".join("| %8s %8s %8s  " % tuple(row[i:i + 3])
                                             for i in range(1, end, 3)) + "| %-7s %6s" % tuple(row[end:]))
    counts = sorted("%s %s %d" % (i, p, len(v)) for (i, p), v in runs.items())
    print("\nruns: " + ", ".join(counts))
    print("goals missed (!): " + ("; ".join(missed) if missed else "none"))


if __name__ == "__main__":
    main()
