#!/bin/sh
# Regenerates codepages/: album folders of MP3 files whose ID3v1 tags, or ID3v2.3 frames of
# encoding 0, hold the bytes of an old Windows code page, as old rips made in Windows do, and
# codepages/EXPECTED.tsv, the name each file should get under "%1 - %2" with the automatic
# code page, and how each folder should be read.
#
# The texts are real text of each language: phrases of the message catalogues that Debian
# packages install (/usr/share/locale/LANG/LC_MESSAGES), as msgunfmt (gettext) gives them.
# The tags are written by mutagen (python3-mutagen), the audio by lame.
#
# Besides one or two albums per code page: a folder mixing two code pages, and a folder of one
# file whose tag holds one short Latin-1 word; the program must decline what it cannot read
# there rather than guess.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/codepages"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out"
head -c 16000 /dev/zero >"$work/silence.raw"
lame --quiet -r -s 8 -m m --bitwidth 16 -b 8 "$work/silence.raw" "$work/silence.mp3"
for lang in zh_CN zh_TW ja ko ru de fr pl cs; do
  for mo in /usr/share/locale/$lang/LC_MESSAGES/*.mo; do
    msgunfmt "$mo" 2>/dev/null | sed -n 's/^msgstr "\(.*\)"$/\1/p'
  done | grep -v '^$' >"$work/$lang.txt"
done

/usr/bin/python3 - "$out" "$work" <<'PY'
import os
import random
import re
import shutil
import sys

from mutagen.id3 import ID3, TALB, TIT2, TPE1

out, work = sys.argv[1], sys.argv[2]
silence = os.path.join(work, "silence.mp3")
ILLEGAL = {"/": " ", "|": " ", "*": " ", "?": " ", "\\": " ", ">": ")", "<": "(", ":": "-",
           '"': "'"}


def phrases(lang, codec, count, seed):
    """Short phrases of the language that the code page holds and an ID3v1 field takes."""
    found = []
    with open(os.path.join(work, lang + ".txt"), encoding="utf-8", errors="replace") as f:
        for line in f:
            for piece in re.split(r"[.,:;\"()%'\\!?\[\]{}<>=/|_*&#@$^~`\t]|\\n", line):
                piece = piece.strip()
                if len(piece) < 2 or piece.isascii() or "\ufffd" in piece:
                    continue
                try:
                    raw = piece.encode(codec)
                except UnicodeEncodeError:
                    continue
                if 4 <= len(raw) <= 30:
                    found.append(piece)
    found = sorted(set(found))
    random.Random(seed).shuffle(found)
    return found[:count]


def tag(path, artist, title, album, codec, where):
    """ID3v1 only ("v1") or ID3v2.3 frames of encoding 0 only ("v2"), holding the code page's
    bytes: mutagen writes a text of encoding 0 as Latin-1, so the bytes go in as Latin-1."""
    raw = [t.encode(codec).decode("latin-1") for t in (artist, title, album)]
    tags = ID3()
    tags.add(TPE1(encoding=0, text=raw[0]))
    tags.add(TIT2(encoding=0, text=raw[1]))
    tags.add(TALB(encoding=0, text=raw[2]))
    if where == "v1":
        tags.save(path, v1=2, v2_version=3)
        ID3(path).delete(path, delete_v1=False, delete_v2=True)
    else:
        tags.save(path, v1=0, v2_version=3)


def expected(artist, title):
    return "".join(" " if ord(c) < 32 else ILLEGAL.get(c, c) for c in f"{artist} - {title}") + ".mp3"


rows = []
ALBUMS = [("zh_CN", "gbk", "GBK"), ("zh_TW", "big5", "Big5"), ("ja", "cp932", "Shift_JIS"),
          ("ko", "cp949", "CP949"), ("ru", "cp1251", "CP1251"), ("de", "cp1252", "CP1252"),
          ("fr", "cp1252", "CP1252"), ("pl", "cp1250", "CP1250"), ("cs", "cp1250", "CP1250")]
for n, (lang, codec, title) in enumerate(ALBUMS):
    texts = phrases(lang, codec, 40, n)
    for album, where in ((0, "v1"), (1, "v2")):
        folder = f"{codec}-{where}"
        if os.path.exists(os.path.join(out, folder)):
            folder = f"{codec}-{lang}-{where}"
        os.makedirs(os.path.join(out, folder))
        artist, name = texts[album * 20], texts[album * 20 + 1]
        for k in range(8):
            song = texts[album * 20 + 2 + k]
            path = os.path.join(out, folder, f"{k + 1:02}.mp3")
            shutil.copy(silence, path)
            tag(path, artist, song, name, codec, where)
            rows.append((folder, f"{k + 1:02}.mp3", expected(artist, song), f"按 {title} 读取"))

# Half the files in GBK, half in Shift_JIS: no one code page reads the folder.
os.makedirs(os.path.join(out, "mixed"))
zh, ja = phrases("zh_CN", "gbk", 12, 90), phrases("ja", "cp932", 12, 91)
for k in range(8):
    texts, codec = (zh, "gbk") if k % 2 == 0 else (ja, "cp932")
    path = os.path.join(out, "mixed", f"{k + 1:02}.mp3")
    shutil.copy(silence, path)
    tag(path, texts[0], texts[k + 2], texts[1], codec, "v1")
    # The GBK files read as GBK alone; a Shift_JIS one is declined, never named in garbage.
    rows.append(("mixed", f"{k + 1:02}.mp3",
                 expected(texts[0], texts[k + 2]) if codec == "gbk" else "(declined)",
                 "编码混杂，逐个文件读取"))

# One file, one short Latin-1 word: too little to tell, and no GBK either.
os.makedirs(os.path.join(out, "latin-alone"))
path = os.path.join(out, "latin-alone", "01.mp3")
shutil.copy(silence, path)
tag(path, "Beyoncé", "Halo", "I Am", "cp1252", "v1")
rows.append(("latin-alone", "01.mp3", "(declined)", "按 GBK 或 UTF-8 逐项读取"))

with open(os.path.join(out, "EXPECTED.tsv"), "w", encoding="utf-8") as f:
    f.write("# folder\tfile\tname under \"%1 - %2\" with -c auto, or (declined)\t"
            "how the run says it reads the folder\n")
    for row in rows:
        f.write("\t".join(row) + "\n")
PY
dpkg-query -W -f '${Package} ${Version}\n' python3-mutagen lame gettext >"$out/TOOLS.txt"
