#!/usr/bin/python3
"""Runs every benchmark and writes bench/RESULTS.md. One command:

    bench/run_bench.py [--build build/bench] [--dir /tmp/tunaro-bench] [--sizes 1000,10000,100000]

It builds the bench tree when the programs are missing (the benchmarks are off in other
builds), the same as:
    cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTUNARO_BUILD_GUI=OFF \\
          -DTUNARO_BUILD_TESTS=OFF -DTUNARO_BUILD_BENCH=ON
    cmake --build build/bench
Peers: apt-get install libimage-exiftool-perl kid3-cli python3-mutagen

Each timed rename runs on a fresh hard-link copy of a generated folder (renaming a link's
name leaves the original folder as it was), the tools taking turns in every repetition so
that a change of load hits them alike. Reported: the median of the repetitions."""
import argparse
import json
import os
import platform
import resource
import shutil
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
PY = "/usr/bin/python3"  # the system Python, which has python3-mutagen


def load():
    return os.getloadavg()[0]


def run_timed(cmd, cwd=None):
    """Wall seconds and peak RSS (KiB) of one command, its output discarded."""
    start = time.perf_counter()
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.perf_counter() - start
    err = proc.stderr.read().decode(errors="replace")
    proc.stderr.close()
    proc.returncode = os.waitstatus_to_exitcode(status)
    return seconds, usage.ru_maxrss, proc.returncode, err


def renamed_count(folder):
    return sum(1 for n in os.listdir(folder) if not n.startswith("track"))


def write_section(out, begin, end, lines):
    """Puts a section between its markers in bench/RESULTS.md (at the end if it has none yet),
    leaving the other sections as they are; prints it too."""
    section = "\n".join([begin] + lines + [end])
    print(section)
    text = open(out).read() if os.path.exists(out) else ""
    if begin in text:
        text = text[:text.index(begin)] + section + text[text.index(end) + len(end):]
    else:
        text = text.rstrip() + "\n\n" + section + "\n"
    with open(out, "w") as f:
        f.write(text)


def fresh_copy(master, work):
    if os.path.exists(work):
        shutil.rmtree(work)
    subprocess.run(["cp", "-al", master, work], check=True)


def machine():
    model = ""
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    mem = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2**30
    return "%s, %d cores, %.0f GiB, %s %s" % (model, os.cpu_count(), mem, platform.system(),
                                             platform.release())


def fs_of(path):
    out = subprocess.run(["df", "-T", path], capture_output=True, text=True).stdout.splitlines()
    return out[-1].split()[1] if len(out) > 1 else "?"


def tool_version(cmd):
    try:
        out = subprocess.run(cmd, capture_output=True, text=True, timeout=30)
        return (out.stdout or out.stderr).strip().splitlines()[0]
    except Exception:
        return "not installed"


def build_bench_tree(build):
    """Configures and builds the tree the benchmarks run from, with the benchmarks on."""
    subprocess.run(["cmake", "-S", ROOT, "-B", build, "-DCMAKE_BUILD_TYPE=Release",
                    "-DTUNARO_BUILD_GUI=OFF", "-DTUNARO_BUILD_TESTS=OFF",
                    "-DTUNARO_BUILD_BENCH=ON"], check=True)
    subprocess.run(["cmake", "--build", build], check=True)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(ROOT, "build/bench"))
    ap.add_argument("--dir", default="/tmp/tunaro-bench")
    ap.add_argument("--sizes", default="1000,10000,100000")
    ap.add_argument("--repeat", type=int, default=3)
    ap.add_argument("--slow-limit", type=int, default=10000,
                    help="ExifTool and kid3-cli run only up to this many files")
    ap.add_argument("--out", default=os.path.join(HERE, "RESULTS.md"))
    ap.add_argument("--window", default="",
                    help="bench_window_rename of a build with the window and the benchmarks"
                         " (TUNARO_BUILD_BENCH=ON), if any")
    ap.add_argument("--from-raw", action="store_true",
                    help="only rewrite RESULTS.md from the last run's DIR/raw.json")
    args = ap.parse_args()
    if args.from_raw:
        with open(os.path.join(args.dir, "raw.json")) as f:
            raw = json.load(f)
        write_results(args, raw["sizes"], TOOLS_FOR_REPORT, raw["available"],
                      {(a, b): v for a, b, v in raw["rename"]},
                      {(a, b): v for a, b, v in raw["scans"]},
                      {int(k): v for k, v in raw["memory"]},
                      {(a, b): v for a, b, v in raw["gaps"]}, raw["loads"], raw["window"])
        return

    cli = os.path.join(args.build, "src/cli/tunaro-cli")
    floor = os.path.join(args.build, "bench/floor/floor")
    scan = os.path.join(args.build, "bench/scan/scan_bench")
    if not all(os.path.exists(exe) for exe in (cli, floor, scan)):
        build_bench_tree(args.build)
    for exe in (cli, floor, scan):
        if not os.path.exists(exe):
            sys.exit("missing %s: build the bench tree first" % exe)
    sizes = [int(s) for s in args.sizes.split(",")]
    os.makedirs(args.dir, exist_ok=True)
    work = os.path.join(args.dir, "work")
    loads = [load()]

    tools = [
        ("tunaro-cli rename", lambda d: [cli, "rename", d]),
        ("floor (C, syscalls only)", lambda d: [floor, d]),
        ("mutagen script", lambda d: [PY, os.path.join(HERE, "mutagen_rename.py"), d]),
        ("ExifTool", lambda d: ["exiftool", "-q", "-ext", "mp3",
                                "-FileName<${Artist} - ${Title}.%e", d]),
        # Without "timeout off" kid3-cli gives up loading a folder of 10,000 files ("Timeout")
        # and renames nothing.
        ("kid3-cli", lambda d: ["kid3-cli", "-c", "timeout off", "-c", "select all",
                                "-c", 'fromtag "%{artist} - %{title}" 1',
                                "-c", 'fromtag "%{artist} - %{title}" 2', "-c", "save", d]),
    ]
    slow = {"ExifTool", "kid3-cli"}
    available = {name: shutil.which(make("x")[0]) is not None or os.path.exists(make("x")[0])
                 for name, make in tools}

    rename = {}  # (tool, n) -> dict(times, rss, renamed)
    scans = {}   # (mode, n) -> [seconds]
    memory = {}
    gaps = {}
    for n in sizes:
        master = os.path.join(args.dir, "master-%d" % n)
        if not os.path.exists(master):
            subprocess.run([PY, os.path.join(HERE, "make_corpus.py"), str(n), master], check=True)
        rmaster = os.path.join(args.dir, "master-rec-%d" % n)
        if not os.path.exists(rmaster):
            subprocess.run([PY, os.path.join(HERE, "make_corpus.py"), str(n), rmaster,
                            "--subfolders", str(max(1, n // 1000))], check=True)
        for rep in range(args.repeat):
            for name, make in tools:
                if not available[name] or (name in slow and n > args.slow_limit):
                    continue
                if name in slow and n > 1000 and rep > 0:
                    continue  # minutes per run: once is enough to see the trend
                fresh_copy(master, work)
                seconds, rss, rc, err = run_timed(make(work))
                entry = rename.setdefault((name, n), {"times": [], "rss": [], "renamed": 0, "err": ""})
                entry["times"].append(seconds)
                entry["rss"].append(rss)
                entry["renamed"] = renamed_count(work)
                if rc not in (0, 1):
                    entry["err"] = "exit %d: %s" % (rc, err.strip()[:200])
        loads.append(load())
        # Scans: many repetitions inside one process, the folder in the page cache.
        for mode, folder in (("readdir", master), ("flat", master), ("arena", master),
                             ("flat-hugepages", master),
                             ("readdir-recursive", rmaster), ("recursive", rmaster)):
            reps = max(5, args.repeat)
            env = dict(os.environ)
            if mode.endswith("-hugepages"):
                env["GLIBC_TUNABLES"] = "glibc.malloc.hugetlb=1"
            out = subprocess.run([scan, mode.replace("-hugepages", ""), folder, str(reps + 1)],
                                 capture_output=True, text=True, check=True,
                                 env=env).stdout.splitlines()
            rows = [json.loads(line) for line in out][1:]  # the first one warms the cache
            scans[(mode, n)] = [r["seconds"] for r in rows]
            if mode == "flat":
                memory[n] = [statistics.median(r[k] for r in rows)
                             for k in ("heap_per_entry", "path_per_entry")]
        out = subprocess.run([scan, "gaps", master, "3"], capture_output=True, text=True,
                             check=True).stdout.splitlines()
        gaps[("scan", n)] = max(json.loads(line)["max_gap_ms"] for line in out)
        fresh_copy(master, work)
        out = subprocess.run([scan, "run", work], capture_output=True, text=True, check=True)
        gaps[("run", n)] = json.loads(out.stdout.splitlines()[0])["max_gap_ms"]
        loads.append(load())
    if os.path.exists(work):
        shutil.rmtree(work)

    window_rows = []
    if args.window and os.path.exists(args.window):
        n = sizes[-1]
        desktop = os.path.join(args.dir, "desktop")
        os.makedirs(desktop, exist_ok=True)
        for rep in range(args.repeat):
            fresh_copy(os.path.join(args.dir, "master-%d" % n), work)
            out = subprocess.run([args.window, work, desktop], capture_output=True, text=True)
            steps = {}
            for line in out.stdout.splitlines():
                if line.startswith("{"):
                    row = json.loads(line)
                    steps[row["step"]] = row
            steps["renamed"] = renamed_count(work)
            window_rows.append(steps)
        shutil.rmtree(work)
        loads.append(load())

    raw = {"sizes": sizes, "loads": loads, "window": window_rows,
           "rename": [[k[0], k[1], v] for k, v in rename.items()],
           "scans": [[k[0], k[1], v] for k, v in scans.items()],
           "memory": [[k, v] for k, v in memory.items()],
           "gaps": [[k[0], k[1], v] for k, v in gaps.items()],
           "available": available}
    with open(os.path.join(args.dir, "raw.json"), "w") as f:
        json.dump(raw, f)
    write_results(args, sizes, tools, available, rename, scans, memory, gaps, loads, window_rows)


# The tools' names in the order of the tables, for a report from saved results.
TOOLS_FOR_REPORT = [(name, None) for name in (
    "tunaro-cli rename", "floor (C, syscalls only)", "mutagen script", "ExifTool", "kid3-cli")]


def med(xs):
    return statistics.median(xs) if xs else float("nan")


def write_results(args, sizes, tools, available, rename, scans, memory, gaps, loads, window_rows):
    L = []
    L.append("# Benchmark results")
    L.append("")
    L.append("Regenerate with `bench/run_bench.py` (see its header). Generated %s UTC." %
             time.strftime("%Y-%m-%d %H:%M", time.gmtime()))
    L.append("")
    L.append("- Machine: %s" % machine())
    L.append("- Folder: %s (%s), files in the page cache; every rename on a fresh hard-link copy" %
             (args.dir, fs_of(args.dir)))
    L.append("- Load average (1 min) during the run: %s (the machine is shared; other builds ran)" %
             ", ".join("%.1f" % x for x in loads))
    L.append("- Median of %d repetitions (kid3-cli above 1,000 files: one run); ExifTool and "
             "kid3-cli only up to %d files" % (args.repeat, args.slow_limit))
    L.append("- Corpus: `make_corpus.py`, 9 of 10 files ID3v1.1, 1 of 10 ID3v2.3 only, ~550 bytes each")
    L.append("- Versions: %s; %s; %s" % (tool_version(["exiftool", "-ver"]),
                                         tool_version(["kid3-cli", "--version"]),
                                         tool_version([PY, "-c", "import mutagen;print('mutagen',mutagen.version_string)"])))
    L.append("")
    L.append("## Rename: files per second")
    L.append("")
    header = "| Tool | " + " | ".join("%d files" % n for n in sizes) + " | vs floor at %d |" % sizes[-1]
    L.append(header)
    L.append("|" + "---|" * (len(sizes) + 2))
    floor_rate = {}
    for n in sizes:
        e = rename.get(("floor (C, syscalls only)", n))
        if e:
            floor_rate[n] = n / med(e["times"])
    for name, _ in tools:
        if not available[name]:
            L.append("| %s | not installed |" % name)
            continue
        cells = []
        for n in sizes:
            e = rename.get((name, n))
            if not e:
                cells.append("not run")
                continue
            rate = n / med(e["times"])
            note = "" if e["renamed"] >= n * 0.99 else " (renamed %d)" % e["renamed"]
            if e["err"]:
                note += " (%s)" % e["err"]
            cells.append("%.0f%s" % (rate, note))
        last = rename.get((name, sizes[-1]))
        ratio = "%.2f" % ((sizes[-1] / med(last["times"])) / floor_rate[sizes[-1]]) if last and sizes[-1] in floor_rate else "-"
        L.append("| %s | %s | %s |" % (name, " | ".join(cells), ratio))
    L.append("")
    L.append("Wall time per run in seconds (median), and peak RSS of tunaro-cli:")
    L.append("")
    L.append("| Tool | " + " | ".join("%d" % n for n in sizes) + " |")
    L.append("|" + "---|" * (len(sizes) + 1))
    for name, _ in tools:
        if available[name]:
            L.append("| %s | %s |" % (name, " | ".join(
                "%.3f" % med(rename[(name, n)]["times"]) if (name, n) in rename else "-" for n in sizes)))
    L.append("| tunaro-cli peak RSS (MiB) | %s |" % " | ".join(
        "%.1f" % (max(rename[("tunaro-cli rename", n)]["rss"]) / 1024) if ("tunaro-cli rename", n) in rename else "-"
        for n in sizes))
    L.append("")
    L.append("## Scans (seconds, median; folder in the page cache)")
    L.append("")
    L.append("| Scan | " + " | ".join("%d" % n for n in sizes) + " |")
    L.append("|" + "---|" * (len(sizes) + 1))
    for mode, label in (("readdir", "bare readdir loop, one folder"), ("flat", "flat scan"),
                        ("arena", "yardstick: the flat scan's work into one buffer"),
                        ("flat-hugepages", "flat scan, malloc on huge pages (GLIBC_TUNABLES)"),
                        ("readdir-recursive", "bare readdir loop, recursive"),
                        ("recursive", "recursive scan")):
        L.append("| %s | %s |" % (label, " | ".join("%.5f" % med(scans[(mode, n)]) for n in sizes)))
    L.append("| flat / readdir | %s |" % " | ".join(
        "%.2f" % (med(scans[("flat", n)]) / med(scans[("readdir", n)])) for n in sizes))
    L.append("| flat (huge pages) / readdir | %s |" % " | ".join(
        "%.2f" % (med(scans[("flat-hugepages", n)]) / med(scans[("readdir", n)])) for n in sizes))
    L.append("| recursive / readdir | %s |" % " | ".join(
        "%.2f" % (med(scans[("recursive", n)]) / med(scans[("readdir-recursive", n)])) for n in sizes))
    L.append("")
    L.append("## Linearity (time at 10 N / time at N; 10 is linear)")
    L.append("")
    L.append("| What | " + " | ".join("%d -> %d" % (a, b) for a, b in zip(sizes, sizes[1:])) + " |")
    L.append("|" + "---|" * len(sizes))
    rows = [("tunaro-cli rename", lambda n: med(rename[("tunaro-cli rename", n)]["times"]))]
    rows.append(("floor", lambda n: med(rename[("floor (C, syscalls only)", n)]["times"])))
    rows.append(("flat scan", lambda n: med(scans[("flat", n)])))
    rows.append(("recursive scan", lambda n: med(scans[("recursive", n)])))
    for label, f in rows:
        cells = []
        for a, b in zip(sizes, sizes[1:]):
            try:
                cells.append("%.1f" % (f(b) / f(a)))
            except KeyError:
                cells.append("-")
        L.append("| %s | %s |" % (label, " | ".join(cells)))
    L.append("")
    L.append("## Memory and responsiveness")
    L.append("")
    L.append("| | " + " | ".join("%d" % n for n in sizes) + " |")
    L.append("|" + "---|" * (len(sizes) + 1))
    L.append("| list heap per entry, all included (bytes) | %s |" % " | ".join("%.0f" % memory[n][0] for n in sizes))
    L.append("| full path per entry, for comparison (bytes) | %s |" % " | ".join("%.0f" % memory[n][1] for n in sizes))
    L.append("| heap per entry beyond the path (bytes; below 0: the list holds less than the paths) | %s |" % " | ".join("%.0f" % (memory[n][0] - memory[n][1]) for n in sizes))
    L.append("| longest gap between two counter refreshes, flat scan (ms) | %s |" % " | ".join("%.2f" % gaps[("scan", n)] for n in sizes))
    L.append("| longest gap between two counter refreshes, rename run (ms) | %s |" % " | ".join("%.2f" % gaps[("run", n)] for n in sizes))
    L.append("")
    L.append("The gaps are measured in the engine, between the calls where the window lets its events "
             "run; the window's own figures are below when its bench was run.")
    L.append("")
    L.append("## Window")
    L.append("")
    if window_rows:
        n = sizes[-1]
        cli_s = med(rename[("tunaro-cli rename", n)]["times"])
        def wmed(step, key):
            return med([r[step][key] for r in window_rows if step in r])
        L.append("%d files, offscreen platform, median of %d runs; the rename command includes "
                 "the folder refresh that follows the run." % (n, len(window_rows)))
        L.append("")
        L.append("| Step | ms | longest gap between two processed events (ms) |")
        L.append("|---|---|---|")
        for step in ("list", "select all", "rename"):
            L.append("| %s | %.0f | %.1f |" % (step, wmed(step, "ms"), wmed(step, "max_gap_ms")))
        L.append("| window rename / tunaro-cli rename | %.2f | |" % (wmed("rename", "ms") / 1000 / cli_s))
        L.append("| files renamed by the window | %d | |" % window_rows[0]["renamed"])
    else:
        L.append("Not measured in this run (pass `--window PATH` to the window's bench program).")
    L.append("")
    L.append("## Targets")
    L.append("")
    L.append("| Target | Measured | Met |")
    L.append("|---|---|---|")
    n = sizes[-1]

    def target(label, value, ok, fmt="%.2f"):
        L.append("| %s | %s | %s |" % (label, fmt % value if value == value else "-",
                                       "yes" if ok else "**no**"))

    try:
        cli_rate = n / med(rename[("tunaro-cli rename", n)]["times"])
        ratio = cli_rate / floor_rate[n]
        target("tunaro-cli rename >= 0.8 x floor at %d files" % n, ratio, ratio >= 0.8)
    except KeyError:
        pass
    flat = med(scans[("flat", n)]) / med(scans[("readdir", n)])
    target("flat scan <= 1.5 x bare readdir at %d files" % n, flat, flat <= 1.5)
    if len(sizes) > 1:
        a = sizes[-2]
        growth = med(rename[("tunaro-cli rename", n)]["times"]) / med(rename[("tunaro-cli rename", a)]["times"])
        target("rename time %d -> %d files <= 11 x" % (a, n), growth, growth <= 11, "%.1f")
        growth = med(scans[("flat", n)]) / med(scans[("flat", a)])
        target("flat scan time %d -> %d files <= 11 x" % (a, n), growth, growth <= 11, "%.1f")
    beyond = memory[n][0] - memory[n][1]
    target("list memory per entry beyond the path < 300 bytes", beyond, beyond < 300, "%.0f")
    worst_gap = max(gaps[("scan", n)], gaps[("run", n)])
    target("engine: longest gap between refreshes < 100 ms", worst_gap, worst_gap < 100, "%.1f")
    if window_rows:
        lst = med([r["list"]["ms"] for r in window_rows if "list" in r])
        target("window lists %d files in < 3 s" % n, lst / 1000, lst < 3000, "%.2f s")
        ren = med([r["rename"]["ms"] for r in window_rows if "rename" in r]) / 1000
        rr = ren / med(rename[("tunaro-cli rename", n)]["times"])
        target("window renames in <= 2 x the CLI's time", rr, rr <= 2)
        gap = max(max(r[s]["max_gap_ms"] for s in ("list", "rename") if s in r) for r in window_rows)
        target("window: longest gap between processed events < 100 ms", gap, gap < 100, "%.1f ms")
    L.append("")
    notes = os.path.join(HERE, "ANALYSIS.md")
    if os.path.exists(notes):
        with open(notes) as f:
            L.append(f.read().rstrip())
        L.append("")
    # The cold-cache section is cold/cold_bench.py's (it needs root): kept as it was.
    if os.path.exists(args.out):
        with open(args.out) as f:
            old = f.read()
        if "<!-- cold -->" in old:
            L.append(old[old.index("<!-- cold -->"):old.index("<!-- /cold -->") + 14])
            L.append("")
    with open(args.out, "w") as f:
        f.write("\n".join(L))
    print("\n".join(L))


if __name__ == "__main__":
    main()
