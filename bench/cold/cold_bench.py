#!/usr/bin/python3
"""Cold page cache: the rename against the sequential floor, both with the cache dropped
before every run, and the warm rename against the warm floor. Writes its section of
bench/RESULTS.md (between the "cold" markers; run_bench.py keeps it).

    bench/cold/cold_bench.py [--build build/release] [--dir /tmp/tunaro-cold]
                             [--cold 20000] [--warm 100000] [--repeat 3]

Dropping the page cache needs root; without it this says so and skips. Never a test.
The tools take turns in every repetition (paired), each on a fresh hard-link copy, so that
a change of load on the shared machine hits them alike. Reported: medians."""
import argparse
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BENCH = os.path.dirname(HERE)
sys.path.insert(0, BENCH)
import run_bench  # noqa: E402  (machine, fresh_copy, load)

BEGIN, END = "<!-- cold -->", "<!-- /cold -->"


def drop_caches():
    subprocess.run(["sync"], check=True)
    with open("/proc/sys/vm/drop_caches", "w") as f:
        f.write("3\n")


def device_reads(path):
    """Read requests the block device under `path` has completed so far (None if unknown)."""
    st = os.stat(path)
    stat = "/sys/dev/block/%d:%d/stat" % (os.major(st.st_dev), os.minor(st.st_dev))
    try:
        with open(stat) as f:
            return int(f.read().split()[0])
    except OSError:
        return None


def timed(cmd, work, cold, cpu=None, reads=None):
    """Wall seconds of one run; its CPU seconds (user + system) go to `cpu`, the device's
    read requests to `reads`."""
    if cold:
        drop_caches()
    before = device_reads(work)
    start = time.perf_counter()
    proc = subprocess.Popen(cmd + [work], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(proc.pid, 0)
    seconds = time.perf_counter() - start
    rc = os.waitstatus_to_exitcode(status)
    if rc not in (0, 1):
        sys.exit("%s: exit %d: %s" % (cmd[0], rc, proc.stderr.read().decode(errors="replace")))
    proc.stderr.close()
    if cpu is not None:
        cpu.append(usage.ru_utime + usage.ru_stime)
    after = device_reads(work)
    if reads is not None and before is not None and after is not None:
        reads.append(after - before)
    return seconds


def names(folder):
    return sorted(os.listdir(folder))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(os.path.dirname(BENCH), "build/release"))
    ap.add_argument("--dir", default="/tmp/tunaro-cold")
    ap.add_argument("--cold", type=int, default=20000)
    ap.add_argument("--warm", type=int, default=100000)
    ap.add_argument("--repeat", type=int, default=3)
    ap.add_argument("--out", default=os.path.join(BENCH, "RESULTS.md"))
    args = ap.parse_args()
    if os.geteuid() != 0:
        print("cold_bench: dropping the page cache needs root; skipped")
        return
    cli = os.path.join(args.build, "src/cli/tunaro-cli")
    floor = os.path.join(args.build, "bench/floor/floor")
    scan = os.path.join(args.build, "bench/scan/scan_bench")
    for exe in (cli, floor, scan):
        if not os.path.exists(exe):
            sys.exit("missing %s: build it first" % exe)
    os.makedirs(args.dir, exist_ok=True)
    work = os.path.join(args.dir, "work")
    masters = {}
    for n in (args.cold, args.warm):
        masters[n] = os.path.join(args.dir, "master-%d" % n)
        if not os.path.exists(masters[n]):
            subprocess.run([run_bench.PY, os.path.join(BENCH, "make_corpus.py"), str(n),
                            masters[n]], check=True)

    tools = [("floor (C, syscalls only)", [floor]),
             ("tunaro-cli rename", [cli, "rename"]),
             ("tunaro-cli rename --read-ahead 0", [cli, "rename", "--read-ahead", "0"])]
    # The same files laid out as a library is: folders of 20 files.
    tree_tools = [("floor -r", [floor, "-r"]),
                  ("tunaro-cli rename -r", [cli, "rename", "-r"]),
                  ("tunaro-cli rename -r --read-ahead 0",
                   [cli, "rename", "-r", "--read-ahead", "0"])]
    loads = [run_bench.load()]
    times = {}  # (tool, cold) -> [s]
    tree_times = {}  # tool -> [s], cold
    cpus = {}  # tool -> [CPU s of the cold runs]
    reads = {}  # tool -> [device read requests of the cold runs]
    results = {}  # tool -> sorted names after the cold run
    gaps, scans = [], {"readdir": [], "flat": [], "readdir-recursive": [], "recursive": []}
    # A library as folders hold it: 100 artists of 10 albums of 20 files, hard links to the
    # cold corpus's files.
    tree = os.path.join(args.dir, "tree-%d" % args.cold)
    if not os.path.exists(tree):
        files = sorted(os.listdir(masters[args.cold]))
        for i, name in enumerate(files):
            album = os.path.join(tree, "Artist %03d" % (i * 100 // len(files)),
                                 "Album %d" % (i * 1000 // len(files) % 10))
            os.makedirs(album, exist_ok=True)
            os.link(os.path.join(masters[args.cold], name), os.path.join(album, name))
    for rep in range(args.repeat):
        order = tools if rep % 2 == 0 else tools[::-1]
        for name, cmd in order:
            run_bench.fresh_copy(masters[args.cold], work)
            times.setdefault((name, True), []).append(
                timed(cmd, work, True, cpus.setdefault(name, []), reads.setdefault(name, [])))
            results[name] = names(work)
        for name, cmd in (tree_tools if rep % 2 == 0 else tree_tools[::-1]):
            run_bench.fresh_copy(tree, work)
            tree_times.setdefault(name, []).append(timed(cmd, work, True))
        loads.append(run_bench.load())
        for name, cmd in order:
            run_bench.fresh_copy(masters[args.warm], work)
            subprocess.run([cli, "rename", "-n", work], stdout=subprocess.DEVNULL)  # warm up
            subprocess.run(["sync"], check=True)  # the copy's writeback is no one's cost
            times.setdefault((name, False), []).append(timed(cmd, work, False))
        loads.append(run_bench.load())
        # The folder scan of a cold folder, and the longest gap between refreshes (where the
        # window lets its events run) of a cold rename run.
        for mode, folder in (("readdir", masters[args.warm]), ("flat", masters[args.warm]),
                             ("readdir-recursive", tree), ("recursive", tree)):
            drop_caches()
            out = subprocess.run([scan, mode, folder + "/"], capture_output=True,
                                 text=True, check=True).stdout
            scans[mode].append(float(out.split('"seconds":')[1].split(",")[0]))
        run_bench.fresh_copy(masters[args.cold], work)
        drop_caches()
        out = subprocess.run([scan, "run", work], capture_output=True, text=True,
                             check=True).stdout
        gaps.append(float(out.split('"max_gap_ms":')[1].split(",")[0]))
        loads.append(run_bench.load())

    med = statistics.median
    same = results["tunaro-cli rename"] == results["tunaro-cli rename --read-ahead 0"]
    fl = "floor (C, syscalls only)"
    L = ["## Cold page cache", ""]
    L.append("Regenerate with `bench/cold/cold_bench.py` (as root). Generated %s UTC." %
             time.strftime("%Y-%m-%d %H:%M", time.gmtime()))
    L.append("")
    L.append("- Machine: %s; folder %s (%s)" % (run_bench.machine(), args.dir,
                                                  run_bench.fs_of(args.dir)))
    L.append("- Load average (1 min) during the run: %s (shared machine: other developers' "
             "builds ran)" % ", ".join("%.1f" % x for x in loads))
    L.append("- %d repetitions, the tools taking turns (paired); `sync` and drop_caches=3 "
             "before every cold run; median seconds" % args.repeat)
    L.append("")
    L.append("| Tool | cold %d files | x cold floor | x cold floor, median of the pairs | "
             "CPU (user+sys) cold | disk reads cold | warm %d files | x warm floor |" %
             (args.cold, args.warm))
    L.append("|---|---|---|---|---|---|---|---|")
    for name, _ in tools:
        c, w = med(times[(name, True)]), med(times[(name, False)])
        r = "%d" % med(reads[name]) if reads.get(name) else "?"
        pairs = [t / f for t, f in zip(times[(name, True)], times[(fl, True)])]
        L.append("| %s | %.3f | %.2f | %.3f | %.3f | %s | %.3f | %.2f |" % (
            name, c, c / med(times[(fl, True)]), med(pairs), med(cpus[name]), r, w,
            w / med(times[(fl, False)])))
    L.append("")
    L.append("The same %d files in 1,000 folders of 20 (100 artists of 10 albums), cold, each "
             "folder renamed after its files:" % args.cold)
    L.append("")
    L.append("| Tool | cold | x cold floor (median of the pairs) |")
    L.append("|---|---|---|")
    for name, _ in tree_tools:
        ratios = [t / f for t, f in zip(tree_times[name], tree_times["floor -r"])]
        L.append("| %s | %.3f | %.2f |" % (name, med(tree_times[name]), med(ratios)))
    L.append("")
    L.append("Every cold run, seconds:")
    L.append("")
    for name, _ in tools:
        L.append("- %s: %s" % (name, ", ".join("%.3f" % t for t in times[(name, True)])))
    for name, _ in tree_tools:
        L.append("- %s: %s" % (name, ", ".join("%.3f" % t for t in tree_times[name])))
    L.append("")
    L.append("- Same resulting names with and without read-ahead: %s" % ("yes" if same else "NO"))
    L.append("- Cold scan of %d files, one folder: bare readdir loop %.3f s, flat scan %.3f s" %
             (args.warm, med(scans["readdir"]), med(scans["flat"])))
    L.append("- Cold scan of %d files in 100 artist folders of 10 albums each: bare recursive "
             "readdir walk %.3f s, recursive scan (folders listed ahead) %.3f s" %
             (args.cold, med(scans["readdir-recursive"]), med(scans["recursive"])))
    L.append("- Longest gap between refreshes (where the window lets its events run) during a "
             "cold scan and rename run of %d files, each repetition: %s ms" %
             (args.cold, ", ".join("%.1f" % g for g in gaps)))
    L.append("")
    L.append("The run's read-ahead has two stages. Near the run (1,024 entries), 16 threads "
             "read the tags, and the run takes a result only when the name's look still "
             "matches the look before the read. Up to 16,384 entries ahead, 16 more threads "
             "open the files 64 at a time and read both ends of all 64 through one io_uring "
             "submission, so that the blocks of neighbouring files reach the disk as a few "
             "large requests (the disk reads column). On this virtual machine each request "
             "costs the guest's kernel CPU time as much as waiting: the cold floor spends about "
             "half its wall time on the CPU, so fewer requests is what makes the cold run fast. "
             "The far stage also takes the first look at each name, which locks the folder "
             "while the system reads the name's records, away from the renames that need "
             "that lock. The tag readers run ten nice levels below the run, which never waits for "
             "them: it reads for itself what none has finished.")
    L.append("")
    L.append("One folder of 20,000 files is the hard case: every first look at a name ahead "
             "and every rename take turns at that one folder's lock, so the run is bound by "
             "the renames' own kernel work plus the time the system takes to read the names' "
             "records. In folders of 20 the looks ahead lock other folders than the one being "
             "renamed.")
    L.append("")
    L.append("A single folder cannot be read ahead: the system reads a large folder one block "
             "at a time and refuses read-ahead on it (readahead(2) gives EINVAL, fadvise "
             "changes nothing). A tree can: once a folder is slow to list, 8 threads list the "
             "folders ahead of the scan, depth first as the scan goes.")
    run_bench.write_section(args.out, BEGIN, END, L)
    if os.path.exists(work):
        subprocess.run(["rm", "-rf", work], check=True)


if __name__ == "__main__":
    main()
