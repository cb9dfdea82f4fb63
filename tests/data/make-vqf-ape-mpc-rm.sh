#!/bin/sh
# Regenerates the real-tool files of tests/data/vqf-ape-mpc-rm/ and records the tool versions
# in TOOLS.txt. Needs ffmpeg, mpcenc (musepack-tools) and python3 with mutagen; the two
# public test-suite files it tags are taken from SAMPLES (default: the shared sample folder).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out="$here/vqf-ape-mpc-rm"
samples=${SAMPLES:-$here/../../../shared/samples}
py=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"

# Adds an ID3v1.1 tag written by mutagen, and no ID3v2 tag, to the end of a file.
id3v1() {
  "$py" - "$@" <<'PY'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TDRC, COMM, TRCK, delete
path, title, artist, album, year, track = sys.argv[1:7]
tag = ID3()
tag.add(TIT2(encoding=0, text=title))
tag.add(TPE1(encoding=0, text=artist))
tag.add(TALB(encoding=0, text=album))
tag.add(TDRC(encoding=0, text=year))
tag.add(COMM(encoding=0, lang="eng", desc="", text="mutagen"))
tag.add(TRCK(encoding=0, text=track))
tag.save(path, v1=2)
delete(path, delete_v1=False, delete_v2=True)
PY
}

# RealMedia with a content chunk (the third chunk, after .RMF and PROP).
ffmpeg -hide_banner -loglevel error -y -f lavfi \
  -i "sine=frequency=440:duration=0.3:sample_rate=8000" -ac 1 -c:a real_144 \
  -metadata title="Night Train" -metadata author="The Walkers" \
  -metadata copyright="(c) 2026" -metadata comment="made by ffmpeg" \
  -fflags +bitexact -flags:a +bitexact "$out/ffmpeg-title-author.rm"

# Musepack SV8 ("MPCK") with an ID3v1 tag: not a stream version this reader knows.
ffmpeg -hide_banner -loglevel error -y -f lavfi \
  -i "sine=frequency=440:duration=0.5:sample_rate=44100" -ac 2 -c:a pcm_s16le \
  -fflags +bitexact "$work/tone.wav"
mpcenc --silent --overwrite --telephone "$work/tone.wav" "$out/mpcenc-sv8-id3v1.mpc"
id3v1 "$out/mpcenc-sv8-id3v1.mpc" "SV8 Song" "Encoder" "Tests" "2026" "3"

# A real SV7 stream (mutagen's click.mpc) and a real old-layout Monkey's Audio header
# (mutagen's mac-390-hdr.ape), each given an ID3v1 tag.
cp "$samples/mpc/mutagen-click.mpc" "$out/sv7-click-id3v1.mpc"
chmod u+w "$out/sv7-click-id3v1.mpc"
id3v1 "$out/sv7-click-id3v1.mpc" "Click" "Mutagen Suite" "Samples" "2004" "7"
cp "$samples/ape/mutagen-mac-390-hdr.ape" "$out/mac-390-id3v1.ape"
chmod u+w "$out/mac-390-id3v1.ape"
id3v1 "$out/mac-390-id3v1.ape" "Old Header" "Monkey" "Samples" "2003" "12"

{
  echo "Files in this folder were made by make-vqf-ape-mpc-rm.sh with:"
  ffmpeg -version | head -n 1
  mpcenc 2>&1 | head -n 1 | sed 's/\x1b\[[0-9;]*m//g'
  echo "mutagen $("$py" -c 'import mutagen; print(mutagen.version_string)')"
  echo "sv7-click-id3v1.mpc: quodlibet/mutagen tests/data/click.mpc (GPL-2.0) + ID3v1"
  echo "mac-390-id3v1.ape: quodlibet/mutagen tests/data/mac-390-hdr.ape (GPL-2.0) + ID3v1"
} >"$out/TOOLS.txt"
