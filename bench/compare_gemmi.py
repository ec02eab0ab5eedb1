#!/usr/bin/python3
"""Times `vexalith-convert info` against gemmi reading the same file, in one run.

Usage: compare_gemmi.py VEXALITH_CONVERT CIF_FILE [REPEATS]

Prints, for both programs, the best and the median of REPEATS runs of
(a) the whole process: `vexalith-convert info FILE` and `gemmi contents FILE`
    (gemmi's command-line program, which reads the structure and reports on it);
(b) the read alone, inside one process: gemmi.read_structure() from Python
    (gemmi's C++ reader), against the in-process reader benchmark, which is
    run separately with Google Benchmark.
"""
import statistics
import subprocess
import sys
import time

import gemmi


def timed_runs(command, repeats):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        times.append(time.perf_counter() - start)
    return times


def timed_calls(call, repeats):
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        call()
        times.append(time.perf_counter() - start)
    return times


def report(label, times):
    print(f"{label:48s} best {min(times) * 1000:8.1f} ms   median {statistics.median(times) * 1000:8.1f} ms")


def main():
    convert, path = sys.argv[1], sys.argv[2]
    repeats = int(sys.argv[3]) if len(sys.argv) > 3 else 15
    print(f"file: {path}, gemmi {gemmi.__version__}, {repeats} runs each")
    vexalith = timed_runs([convert, "info", path], repeats)
    gemmi_cli = timed_runs(["gemmi", "contents", path], repeats)
    report("vexalith-convert info (whole process)", vexalith)
    report("gemmi contents (whole process)", gemmi_cli)
    report("gemmi.read_structure (read only, in process)", timed_calls(lambda: gemmi.read_structure(path), repeats))
    report("gemmi.cif.read (CIF parse only, in process)", timed_calls(lambda: gemmi.cif.read(path), repeats))
    print(f"whole-process ratio gemmi/vexalith (median): "
          f"{statistics.median(gemmi_cli) / statistics.median(vexalith):.2f}")


if __name__ == "__main__":
    main()
