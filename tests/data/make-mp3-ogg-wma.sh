#!/bin/sh
# Regenerates the MP3, Ogg Vorbis and WMA files in mp3-ogg-wma/ with tools of other authors
# (Debian packages lame, id3v2, python3-mutagen, eyed3, kid3-cli, vorbis-tools, ffmpeg) and
# records their versions in mp3-ogg-wma/TOOLS.txt. Every file is one second of silence at the lowest rate
# its encoder takes, so the tags are most of the bytes.
set -eu
out="$(cd "$(dirname "$0")" && pwd)/mp3-ogg-wma"
mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work"

# One second of 8 kHz mono 16-bit silence.
head -c 16000 /dev/zero > silence.raw
mp3() { lame --quiet -r -s 8 --bitwidth 16 --signed --little-endian -m m -b 8 silence.raw "$1" 2>/dev/null; }
ogg() { oggenc --quiet --raw --raw-rate=8000 --raw-chan=1 --raw-bits=16 -q -1 -o "$1" silence.raw; }

# ID3v2.3 only (id3lib writes version 2.3).
mp3 v23-only.mp3
id3v2 -2 -a "Some Artist" -t "Some Title" -A "Some Album" -y 2002 -T 5/12 -g 17 \
  -c "":"Nice":"eng" v23-only.mp3

# ID3v2.4 only (mutagen writes version 2.4).
mp3 v24-only.mp3
mid3v2 -a "Artist 24" -t "Title 24" -A "Album 24" -T 3 v24-only.mp3

# ID3v2.3 and ID3v1 with different texts: the ID3v2 tag first, then a v1-only write.
mp3 v23-and-v1.mp3
id3v2 -2 -a "V2 Artist" -t "V2 Title" v23-and-v1.mp3
id3v2 -1 -a "V1 Artist" -t "V1 Title" -T 9 v23-and-v1.mp3

# ID3v2.3 with a UTF-16 title (encoding byte 1) and Latin-1 artist.
mp3 v23-utf16.mp3
/usr/bin/python3 - v23-utf16.mp3 <<'PY'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TRCK
tag = ID3()
tag.add(TIT2(encoding=1, text="Ab"))
tag.add(TPE1(encoding=0, text="Latin Artist"))
tag.add(TRCK(encoding=0, text="07"))
tag.save(sys.argv[1], v2_version=3)
PY

# ID3v2.4 with UTF-8 texts (mid3v2 writes encoding 3), an iTunes-style comment with a
# description beside the plain one, and a 300-byte title.
mp3 v24-utf8.mp3
long="$(printf 'Long%.0s' $(seq 75))"
mid3v2 -t "$long" -a "Björk" -A "中文专辑" -y 2002 -T 5/12 -g Rock \
  -c "iTunNORM":" 00000180 0000017A":"eng" -c "":"Café":"eng" v24-utf8.mp3

# ID3v2.4 with UTF-16 (encoding 1) and UTF-16BE (encoding 2) texts.
mp3 v24-utf16.mp3
/usr/bin/python3 - v24-utf16.mp3 <<'PY'
import sys
from mutagen.id3 import ID3, TIT2, TPE1, TALB, TDRC, TCON, COMM
tag = ID3()
tag.add(TIT2(encoding=1, text="Título 中文"))
tag.add(TPE1(encoding=2, text=["Első", "Second"]))
tag.add(TALB(encoding=1, text="Album 24"))
tag.add(TDRC(encoding=0, text="2003-04-05"))
tag.add(TCON(encoding=1, text="(17)Rock"))
tag.add(COMM(encoding=1, lang="eng", desc="Note", text="Described"))
tag.save(sys.argv[1], v2_version=4)
PY

# eyeD3: ID3v2.4 (UTF-8 where the text needs it), then the same converted to 2.3 (UTF-16).
mp3 eyed3-v24.mp3
eyeD3 --quiet --to-v2.4 -t "Café Title" -a "Eye Artist" -A "Eye Album" --recording-date 2004 \
  -n 7 -N 9 -G Jazz -c "Eye comment" eyed3-v24.mp3 >/dev/null
cp eyed3-v24.mp3 eyed3-v23.mp3
eyeD3 --quiet --to-v2.3 eyed3-v23.mp3 >/dev/null

# kid3-cli: ID3v2.3 with a title beyond Latin-1 (kid3 then writes UTF-16).
mp3 kid3-v23.mp3
kid3-cli -c "select kid3-v23.mp3" -c "tag 2" -c "set title 'Кириллица'" \
  -c "set artist 'Kid Artist'" -c "set album 'Kid Album'" -c "set date 2005" \
  -c "set tracknumber 11" -c "save" >/dev/null

# ffmpeg writes ID3v2.4 by default, 2.3 when asked.
ffmpeg -loglevel error -y -f s16le -ar 8000 -ac 1 -i silence.raw -c:a libmp3lame -b:a 8k \
  -fflags +bitexact -flags:a +bitexact -metadata title="FF Título" -metadata artist="FF Artist" \
  -metadata album="FF Album" -metadata date=2006 -metadata track=4/10 -metadata genre=Pop \
  -metadata comment="FF comment" ffmpeg-v24.mp3
ffmpeg -loglevel error -y -i ffmpeg-v24.mp3 -c copy -id3v2_version 3 -fflags +bitexact \
  ffmpeg-v23.mp3

# id3lib (id3v2) stores any bytes as Latin-1: here GBK bytes for "中文", as many old
# Chinese MP3s carry them.
mp3 v23-gbk.mp3
id3v2 -2 -t "$(printf '\326\320\316\304')" -a "$(printf '\270\350\312\326')" v23-gbk.mp3

# Ogg Vorbis with Latin, accented and Chinese comments.
ogg latin.ogg
vorbiscomment -w -t "TITLE=Some Title" -t "ARTIST=Some Artist" -t "ALBUM=Some Album" \
  -t "DATE=2002" -t "GENRE=Rock" -t "COMMENT=Nice" -t "TRACKNUMBER=5/12" latin.ogg
ogg accented.ogg
vorbiscomment -w -t "title=Café" -t "artist=Björk" -t "TRACKNUMBER=07" accented.ogg
ogg chinese.ogg
vorbiscomment -w -t "TITLE=中文标题" -t "ARTIST=歌手" -t "ALBUM=专辑" -t "TRACKNUMBER=5/12" chinese.ogg

# WMA. ffmpeg 5.1 puts title, author, copyright and rating into the content description
# object; the comment goes only to the extended content description, so Description is empty.
wma() {
  ffmpeg -loglevel error -y -f s16le -ar 8000 -ac 1 -i silence.raw -c:a wmav2 -b:a 24k \
    -fflags +bitexact -flags:a +bitexact "$@"
}
wma -metadata title="Some Title" -metadata author="Some Author" \
  -metadata copyright="(C) 2002 Someone" -metadata comment="Nice" -metadata rating="Good" latin.wma
wma -metadata title="中文标题" -metadata author="歌手" chinese.wma

cp v23-only.mp3 v24-only.mp3 v23-and-v1.mp3 v23-utf16.mp3 v24-utf8.mp3 v24-utf16.mp3 \
  eyed3-v24.mp3 eyed3-v23.mp3 kid3-v23.mp3 ffmpeg-v24.mp3 ffmpeg-v23.mp3 v23-gbk.mp3 \
  latin.ogg accented.ogg chinese.ogg latin.wma chinese.wma "$out/"
{
  echo "Generated by tests/data/make-mp3-ogg-wma.sh with:"
  lame --version | head -n 1
  id3v2 --version | head -n 2 | tr '\n' ' '; echo
  echo "mutagen $(/usr/bin/python3 -c 'import mutagen; print(mutagen.version_string)')"
  echo "eyeD3 $(eyeD3 --version 2>&1 | head -n 1)"
  kid3-cli --help 2>&1 | head -n 1
  oggenc --version
  vorbiscomment --version 2>&1 | head -n 1
  ffmpeg -version | head -n 1
} > "$out/TOOLS.txt"
