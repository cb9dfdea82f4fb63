#!/usr/bin/python3
"""tunaro-cli rename on a model of a network share against the sequential floor. The model
(tests/support/delayfs.c, from ../shared/share-model) is a FUSE passthrough that waits a set
time in every operation that would be a round trip to a share and counts them. Writes its
section of bench/RESULTS.md (between the "share" markers).

    bench/share/share_bench.py [--build build/release] [--dir /tmp/tunaro-share]
                               [--delays 500,2000] [--sizes 500,2000] [--pairs 5]

Needs root, /dev/fuse, fusermount3 and libfuse3-dev (to build the model); without, it says
so and stops. Each run renames a fresh folder of small MP3 files (six frames and an ID3v1
tag), made in the backing folder under a name the share has not seen. The tools take turns in
every pair; reported: median seconds, the median of the pairs' ratios to the floor, the
operations the model served per file, and the most it served at once. Never a test."""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BENCH = os.path.dirname(HERE)
ROOT = os.path.dirname(BENCH)
sys.path.insert(0, BENCH)
sys.path.insert(0, os.path.join(BENCH, "readahead"))
import run_bench  # noqa: E402
from readahead_bench import make_mp3s  # noqa: E402

BEGIN, END = "<!-- share -->", "<!-- /share -->"


def stats(path):
    """Counts and most in flight, by operation, from the model's stats file."""
    time.sleep(0.45)  # written every 200 ms
    counts, most = {}, {}
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 3:
                counts[parts[0]], most[parts[0]] = int(parts[1]), int(parts[2])
            elif len(parts) == 2:
                most[parts[0]] = int(parts[1])
    return counts, most


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build/release"))
    ap.add_argument("--dir", default="/tmp/tunaro-share")
    ap.add_argument("--delays", default="500,2000")
    ap.add_argument("--sizes", default="500,2000")
    ap.add_argument("--pairs", type=int, default=5)
    ap.add_argument("--out", default=os.path.join(BENCH, "RESULTS.md"))
    args = ap.parse_args()
    if os.geteuid() != 0 or not os.path.exists("/dev/fuse"):
        print("share_bench: mounting the share model needs root and /dev/fuse; skipped")
        return
    cli = os.path.join(args.build, "src/cli/tunaro-cli")
    floor = os.path.join(args.build, "bench/floor/floor")
    for exe in (cli, floor):
        if not os.path.exists(exe):
            sys.exit("missing %s: build with -DTUNARO_BUILD_BENCH=ON first" % exe)
    os.makedirs(args.dir, exist_ok=True)
    delayfs = os.path.join(args.dir, "delayfs")
    flags = subprocess.run(["pkg-config", "--cflags", "--libs", "fuse3"], capture_output=True,
                           text=True)
    if flags.returncode != 0:
        sys.exit("share_bench: libfuse3-dev is needed to build the share model")
    subprocess.run(["gcc", "-O2", "-o", delayfs, os.path.join(ROOT, "tests/support/delayfs.c")]
                   + flags.stdout.split() + ["-pthread"], check=True)
    masters = {}
    for n in [int(s) for s in args.sizes.split(",")]:
        masters[n] = os.path.join(args.dir, "master-%d" % n)
        if not os.path.exists(masters[n]):
            make_mp3s(n, masters[n], 6)
    tools = [("floor", [floor]), ("tunaro-cli rename", [cli, "rename"]),
             ("--read-ahead 0", [cli, "rename", "--read-ahead", "0"])]
    export, mnt, stats_file = (os.path.join(args.dir, x) for x in ("export", "mnt", "stats"))
    rows, loads = [], [run_bench.load()]
    serial = 0
    for delay in [int(s) for s in args.delays.split(",")]:
        for folder in (export, mnt):
            os.makedirs(folder, exist_ok=True)
        subprocess.run([delayfs, export, mnt], check=True,
                       env=dict(os.environ, DELAYFS_US=str(delay), DELAYFS_STATS=stats_file))
        try:
            for n, master in masters.items():
                times = {name: [] for name, _ in tools}
                ops = {name: [] for name, _ in tools}
                most = {name: 0 for name, _ in tools}
                names = {}
                for rep in range(args.pairs):
                    for name, cmd in (tools if rep % 2 == 0 else tools[::-1]):
                        serial += 1
                        run = "run%d" % serial
                        shutil.copytree(master, os.path.join(export, run))
                        before, _ = stats(stats_file)
                        start = time.perf_counter()
                        subprocess.run(cmd + [os.path.join(mnt, run)], stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)
                        times[name].append(time.perf_counter() - start)
                        after, peak = stats(stats_file)
                        ops[name].append(sum(after[k] - before.get(k, 0) for k in after) / n)
                        most[name] = max(most[name], max(peak.get(k, 0) for k in after))
                        names[name] = sorted(os.listdir(os.path.join(export, run)))
                        shutil.rmtree(os.path.join(export, run))
                    loads.append(run_bench.load())
                for name, _ in tools:
                    ratios = [t / f for t, f in zip(times[name], times["floor"])]
                    rows.append((delay, n, name, statistics.median(times[name]),
                                 statistics.median(ratios), min(ratios), max(ratios),
                                 statistics.median(ops[name]), most[name],
                                 names[name] == names["floor"]))
                    print(rows[-1], flush=True)
        finally:
            subprocess.run(["fusermount3", "-u", mnt])

    L = ["## A network share (the share model)", ""]
    L.append("Regenerate with `bench/share/share_bench.py` (as root). Generated %s UTC." %
             time.strftime("%Y-%m-%d %H:%M", time.gmtime()))
    L.append("")
    L.append("- Machine: %s" % run_bench.machine())
    L.append("- Load average (1 min) during the runs: %s" %
             ", ".join("%.1f" % x for x in loads))
    L.append("- %d pairs per row, the tools taking turns; each run on a fresh folder of small "
             "MP3s (six frames and an ID3v1 tag) that the share has not seen" % args.pairs)
    L.append("")
    L.append("| Round trip | Files | Tool | median s | x floor, median of the pairs | pairs' "
             "range | operations per file | most at once | floor's names |")
    L.append("|---|---|---|---|---|---|---|---|---|")
    for delay, n, name, t, r, lo, hi, o, m, same in rows:
        L.append("| %.1f ms | %d | %s | %.3f | %.2f | %.2f-%.2f | %.2f | %d | %s |" % (
            delay / 1000, n, name, t, r, lo, hi, o, m, "yes" if same else "NO"))
    run_bench.write_section(args.out, BEGIN, END, L)


if __name__ == "__main__":
    main()
