#!/usr/bin/env bash
# tunaro-cli rename of N tagged files on an exFAT or NTFS image mounted through FUSE on a loop
# device (run as root), for each binary given, each on a fresh file system: wall time, CPU
# seconds of tunaro-cli and of the FUSE daemon, and the rename system calls (strace -c, in a
# second run). LAYOUT is "flat" (one folder) or "folders" (folders of 100 files, -r).
#   bench/fuse_rename.sh exfat|ntfs N flat|folders CLI...
set -euo pipefail
kind=$1 count=$2 layout=$3
shift 3
work=$(mktemp -d)
loop=""
cleanup() {
  if mountpoint -q "$work/mnt"; then umount "$work/mnt"; fi
  if [[ -n $loop ]]; then losetup -d "$loop"; fi
  rm -rf "$work"
}
trap cleanup EXIT

# A fresh file system each time: exFAT keeps a folder's deleted entries, which slows the next
# run's lookups.
fresh() {
  if [[ -n $loop ]]; then
    umount "$work/mnt"
    losetup -d "$loop"
    loop=""
  fi
  rm -f "$work/image"
  truncate -s 512M "$work/image"
  loop=$(losetup -f --show "$work/image")
  mkdir -p "$work/mnt"
  if [[ $kind == exfat ]]; then
    mkfs.exfat "$loop" >/dev/null
    mount.exfat-fuse "$loop" "$work/mnt"
  else
    mkntfs -Q -q "$loop" 2>/dev/null  # warns that Windows could not boot from it
    ntfs-3g "$loop" "$work/mnt"
  fi
  daemon=$(ps -eo pid=,args= | awk -v l="$loop" '$0 ~ l && $0 !~ /awk/ { print $1; exit }')
  mkdir "$work/mnt/run"
  # ID3v1.1: title, artist, empty album, year, comment, track, genre.
  python3 - "$work/mnt/run" "$count" "$layout" <<'PY'
import os, sys
d, n, layout = sys.argv[1], int(sys.argv[2]), sys.argv[3]
for i in range(n):
    folder = d if layout == "flat" else "%s/%03d" % (d, i // 100)
    os.makedirs(folder, exist_ok=True)
    t = b"TAG" + (b"Title %d" % i).ljust(30, b"\0") + b"Artist".ljust(30, b"\0")
    t += b"\0" * 30 + b"2000" + b"\0" * 28 + b"\0\1\xff"
    open("%s/%06d.mp3" % (folder, i), "wb").write(b"\xff" * 200 + t)
PY
  sync
}

cpu() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
recurse=()
[[ $layout == folders ]] && recurse=(-r)
tick=$(getconf CLK_TCK)
for cli in "$@"; do
  fresh
  d0=$(cpu "$daemon")
  /usr/bin/time -f "%e %U %S" -o "$work/time" "$cli" rename "${recurse[@]}" "$work/mnt/run" >/dev/null || true
  d1=$(cpu "$daemon")
  read -r wall user sys <"$work/time"
  renamed=$(find "$work/mnt/run" -name 'Artist*' | wc -l)
  echo "$cli: $renamed renamed, wall ${wall} s, tunaro-cli CPU $(echo "$user + $sys" | bc) s," \
    "daemon CPU $(echo "scale=2; ($d1 - $d0) / $tick" | bc) s"
  fresh
  strace -c -f -e trace=renameat2,rename,link,unlink,openat,newfstatat \
    -o "$work/strace" "$cli" rename "${recurse[@]}" "$work/mnt/run" >/dev/null || true
  awk 'NR > 2 && $NF != "total" && $1 !~ /^-/ {
         print "  " $NF ": " $4 " calls, " ($5 ~ /^[0-9]+$/ ? $5 : 0) " failed" }' "$work/strace"
done
