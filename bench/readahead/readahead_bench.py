#!/usr/bin/python3
"""Whether the read-ahead costs nothing when the folder is in the page cache and still pays
when it is not: tunaro-cli rename against the sequential floor (bench/floor), warm and cold,
on two corpora of small MP3 files, and warm on FLAC and on M4A files whose moov follows the
media data. Writes its section of bench/RESULTS.md (between the "readahead" markers).

    bench/readahead/readahead_bench.py [--build build/release] [--dir /tmp/tunaro-ra]
                                       [--sizes 20000,100000] [--pairs 5] [--cold-pairs 5]

The corpora:
  - "545 B": bench/make_corpus.py, one MPEG frame and an ID3v1.1 tag, every tenth file an
    ID3v2.3 tag instead;
  - "2.6 KB": six MPEG frames and an ID3v1.1 tag (the files of the issue that asked for this);
  - FLAC and M4A: one file made by flac and by ffmpeg (AAC, moov last, ffmpeg's default),
    copied and tagged apart by mutagen.
Warm: each run on a fresh copy (cp -r, then sync), as a user's folder is after copying it;
cold (root only): sync and drop_caches before each run. The tools take turns in every pair,
and the ratio of a pair is the run's time over the floor's of the same pair; reported: the
median time, and the median of the pairs' ratios. Never a test."""
import argparse
import os
import shutil
import statistics
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BENCH = os.path.dirname(HERE)
sys.path.insert(0, BENCH)
import run_bench  # noqa: E402  (machine, load, fs_of, PY)

BEGIN, END = "<!-- readahead -->", "<!-- /readahead -->"
FRAME = b"\xff\xfb\x90\x64" + bytes(413)  # MPEG-1 Layer III, 128 kbit/s, 44.1 kHz: 417 bytes


def id3v1(title, artist, track):
    def field(s, n):
        return s.encode("latin-1")[:n].ljust(n, b"\0")
    return (b"TAG" + field(title, 30) + field(artist, 30) + field("Album", 30) + field("2001", 4)
            + field("", 28) + b"\0" + bytes([track % 255 + 1]) + b"\x0c")


def make_mp3s(n, folder, frames):
    os.makedirs(folder)
    for i in range(n):
        with open(os.path.join(folder, "%06d.mp3" % i), "wb") as f:
            f.write(FRAME * frames + id3v1("Title %d" % i, "Artist %d" % (i % 97), i))


def make_tagged(n, folder, template, ext, tag):
    """N copies of a template file, each tagged apart with mutagen."""
    os.makedirs(folder)
    for i in range(n):
        path = os.path.join(folder, "%06d%s" % (i, ext))
        shutil.copyfile(template, path)
        tag(path, "Artist %d" % (i % 97), "Title %d" % i)


def flac_template(work):
    raw = os.path.join(work, "silence.raw")
    with open(raw, "wb") as f:
        f.write(bytes(2 * 8000))
    out = os.path.join(work, "t.flac")
    subprocess.run(["flac", "-s", "-f", "--force-raw-format", "--endian=little", "--sign=signed",
                    "--channels=1", "--bps=16", "--sample-rate=8000", "-o", out, raw], check=True)
    return out


def m4a_template(work):
    out = os.path.join(work, "t.m4a")
    subprocess.run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    "anullsrc=r=44100:cl=mono", "-t", "30", "-c:a", "aac", "-b:a", "64k", out],
                   check=True)
    return out


def tag_flac(path, artist, title):
    from mutagen.flac import FLAC
    f = FLAC(path)
    f["ARTIST"], f["TITLE"] = artist, title
    f.save()


def tag_m4a(path, artist, title):
    from mutagen.mp4 import MP4
    f = MP4(path)
    f["\xa9ART"], f["\xa9nam"] = [artist], [title]
    f.save()


def drop_caches():
    subprocess.run(["sync"], check=True)
    with open("/proc/sys/vm/drop_caches", "w") as f:
        f.write("3\n")


def fresh(master, work):
    if os.path.exists(work):
        shutil.rmtree(work)
    subprocess.run(["cp", "-r", master, work], check=True)
    subprocess.run(["sync"], check=True)


def timed(cmd, work, cold):
    if cold:
        drop_caches()
    start = time.perf_counter()
    proc = subprocess.run(cmd + [work], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    seconds = time.perf_counter() - start
    if proc.returncode not in (0, 1):
        sys.exit("%s: exit %d: %s" % (cmd[0], proc.returncode, proc.stderr.decode()))
    return seconds


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default=os.path.join(os.path.dirname(BENCH), "build/release"))
    ap.add_argument("--dir", default="/tmp/tunaro-ra")
    ap.add_argument("--sizes", default="20000,100000")
    ap.add_argument("--pairs", type=int, default=5)
    ap.add_argument("--cold-pairs", type=int, default=5)
    ap.add_argument("--out", default=os.path.join(BENCH, "RESULTS.md"))
    args = ap.parse_args()
    cli = os.path.join(args.build, "src/cli/tunaro-cli")
    floor = os.path.join(args.build, "bench/floor/floor")
    for exe in (cli, floor):
        if not os.path.exists(exe):
            sys.exit("missing %s: build with -DTUNARO_BUILD_BENCH=ON first" % exe)
    sizes = [int(s) for s in args.sizes.split(",")]
    os.makedirs(args.dir, exist_ok=True)
    work = os.path.join(args.dir, "work")
    corpora = []  # (label, n, master, template of types)
    for n in sizes:
        for label, frames in (("545 B", 1), ("2.6 KB", 6)):
            master = os.path.join(args.dir, "%s-%d" % (label.replace(" ", "").replace(".", ""), n))
            if not os.path.exists(master):
                if frames == 1:
                    subprocess.run([run_bench.PY, os.path.join(BENCH, "make_corpus.py"), str(n),
                                    master], check=True)
                else:
                    make_mp3s(n, master, frames)
            corpora.append((label, n, master, "mp3"))
    n = sizes[0]
    for label, ext, template, tag in (("FLAC", ".flac", flac_template, tag_flac),
                                      ("M4A, moov last", ".m4a", m4a_template, tag_m4a)):
        master = os.path.join(args.dir, "%s-%d" % (ext[1:], n))
        if not os.path.exists(master):
            make_tagged(n, master, template(args.dir), ext, tag)
        corpora.append((label, n, master, ext[1:]))

    tools = [("floor", [floor]), ("tunaro-cli rename", [cli, "rename"]),
             ("--read-ahead 0", [cli, "rename", "--read-ahead", "0"])]
    cold_ok = os.geteuid() == 0
    loads = [run_bench.load()]
    rows = []
    for label, count, master, type_ in corpora:
        for cold in (False, True):
            if cold and (not cold_ok or type_ != "mp3" or count != sizes[0]):
                continue
            reps = args.cold_pairs if cold else args.pairs
            if reps == 0:
                continue
            times = {name: [] for name, _ in tools}
            results = {}
            for rep in range(reps):
                for name, cmd in (tools if rep % 2 == 0 else tools[::-1]):
                    fresh(master, work)
                    c = (cmd + ["-e", "." + type_] if name == "floor"
                         else cmd[:2] + ["-t", type_] + cmd[2:])
                    times[name].append(timed(c, work, cold))
                    results[name] = sorted(os.listdir(work))
                loads.append(run_bench.load())
            same = results["tunaro-cli rename"] == results["--read-ahead 0"]
            for name, _ in tools[1:]:
                ratios = [t / f for t, f in zip(times[name], times["floor"])]
                rows.append((label, count, "cold" if cold else "warm", name,
                             statistics.median(times[name]), statistics.median(times["floor"]),
                             statistics.median(ratios), min(ratios), max(ratios), same))
                print(rows[-1], flush=True)
    shutil.rmtree(work, ignore_errors=True)

    L = ["## Read-ahead: warm and cold against the floor", ""]
    L.append("Regenerate with `bench/readahead/readahead_bench.py` (cold runs as root). "
             "Generated %s UTC." % time.strftime("%Y-%m-%d %H:%M", time.gmtime()))
    L.append("")
    L.append("- Machine: %s; folder %s (%s)" % (run_bench.machine(), args.dir,
                                                  run_bench.fs_of(args.dir)))
    L.append("- Load average (1 min) during the runs: %s" %
             ", ".join("%.1f" % x for x in loads))
    L.append("- Warm: each run on a fresh `cp -r` copy, then `sync`; cold: `sync` and "
             "drop_caches=3 before each run. %d warm and %d cold pairs, the tools taking "
             "turns." % (args.pairs, args.cold_pairs))
    L.append("")
    L.append("| Corpus | Files | Cache | Tool | median s | floor median s | x floor, median of "
             "the pairs | pairs' range | same names as --read-ahead 0 |")
    L.append("|---|---|---|---|---|---|---|---|---|")
    for label, count, cache, name, t, f, r, lo, hi, same in rows:
        L.append("| %s | %d | %s | %s | %.3f | %.3f | %.2f | %.2f-%.2f | %s |" % (
            label, count, cache, name, t, f, r, lo, hi, "yes" if same else "NO"))
    run_bench.write_section(args.out, BEGIN, END, L)


if __name__ == "__main__":
    main()
