#!/bin/sh
# Regenerates the real-tool files of tests/data/vqf-ape-mpc-rm/ and records the tool versions
# in TOOLS.txt. Needs ffmpeg, mpcenc (musepack-tools), java with libjmac-java and python3 with
# mutagen; the two public test-suite files it tags are taken from SAMPLES (default: the shared
# sample folder).
set -eu

here=$(cd "$(dirname "$0")" && pwd)
out="$here/vqf-ape-mpc-rm"
samples=${SAMPLES:-$here/../../../shared/samples}
py=${PYTHON:-/usr/bin/python3}
jmac=${JMAC:-/usr/share/java/jmac.jar}
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

# Monkey's Audio 3.99 (descriptor layout) from the Java port of the encoder, given an APEv2
# tag by mutagen: several scripts, an emoji, and two artists (the reader keeps the first).
java -jar "$jmac" c2 "$work/tone.wav" "$out/jmac-399-apev2.ape" >/dev/null
"$py" - "$out/jmac-399-apev2.ape" <<'PY'
import sys
from mutagen.apev2 import APEv2
tag = APEv2()
tag["Title"] = "东京の夜 🌙"
tag["Artist"] = ["宇多田ヒカル", "Björk"]
tag["Album"] = "Café del Mar – Été"
tag["Year"] = "2026"
tag["Track"] = "4/12"
tag["Genre"] = "J-Pop"
tag["Comment"] = "mutagen"
tag.save(sys.argv[1])
PY
# The same encoder, mono at 8000 Hz, Extra High, no tag.
ffmpeg -hide_banner -loglevel error -y -f lavfi \
  -i "sine=frequency=440:duration=0.3:sample_rate=8000" -ac 1 -c:a pcm_s16le \
  -fflags +bitexact "$work/mono.wav"
java -jar "$jmac" c4 "$work/mono.wav" "$out/jmac-399-mono-c4.ape" >/dev/null

# Musepack SV8 tagged by mpcenc itself (APEv2 with a header), and the same with an ID3v1 tag
# after the APEv2 tag.
mpcenc --silent --overwrite --telephone --artist "宇多田ヒカル" --title "Café 🌙 夜" \
  --album "Ünïcode" --year 2026 --track 5 --genre "J-Pop" --comment "mpcenc" \
  "$work/tone.wav" "$out/mpcenc-sv8-apev2.mpc"
cp "$out/mpcenc-sv8-apev2.mpc" "$out/mpcenc-sv8-apev2-id3v1.mpc"
id3v1 "$out/mpcenc-sv8-apev2-id3v1.mpc" "ID3v1 Title" "ID3v1 Artist" "Tests" "1999" "9"

{
  echo "Files in this folder were made by make-vqf-ape-mpc-rm.sh with:"
  ffmpeg -version | head -n 1
  mpcenc 2>&1 | head -n 1 | sed 's/\x1b\[[0-9;]*m//g'
  echo "libjmac-java $(dpkg-query -W -f='${Version}' libjmac-java 2>/dev/null)"
  echo "mutagen $("$py" -c 'import mutagen; print(mutagen.version_string)')"
  echo "sv7-click-id3v1.mpc: quodlibet/mutagen tests/data/click.mpc (GPL-2.0) + ID3v1"
  echo "mac-390-id3v1.ape: quodlibet/mutagen tests/data/mac-390-hdr.ape (GPL-2.0) + ID3v1"
} >"$out/TOOLS.txt"
