#!/bin/sh
# Regenerates library/: a small music library tagged by the taggers and encoders of other
# authors, as people use them today (their defaults plus common options), and
# library/EXPECTED.tsv, the name each file should get under the template "%1 - %2".
#
# Needs these Debian packages: python3-mutagen (mid3v2 and the python API), eyed3, id3v2,
# kid3-cli, lame, ffmpeg, vorbis-tools (oggenc), musepack-tools (mpcenc), libjmac-java and a
# java runtime. The versions used are recorded in library/TOOLS.txt.
#
# Every file is one second of silence at the lowest rate its encoder takes (8 kHz mono; 32 kHz
# for Musepack, which takes nothing lower), so the tags are most of the bytes.
#
# Each file is named TAGGER-TEXT.EXT. TAGGER is the tool and its options (see the table in the
# python part below), TEXT the kind of artist and title it was given. Every title carries the
# tagger's name ("Night Train (mid3v2)"; for the long titles the name comes first, so that a
# cut at 30 bytes keeps it), so no two files of one type expect the same new name.
#
# The texts and the name rules are in library_common.py. The newer formats' files are made by
# the make-library-*.sh scripts beside this one: run them after it, as it empties the folder.
#
# Not made here:
# - VQF (TwinVQ): no encoder or tagger of it is packaged in Debian.
# - RealAudio .ra/.ram: ffmpeg writes only the .rm container.
# - ID3v1 holding texts that differ from the ID3v2 tag of the same file: which one wins
#   would be ambiguous, so every file's two tags hold the same text (or a lossy copy of it).
# - Latin-1 ID3v2 frames of mutagen (encoding 0) for texts Latin-1 cannot hold; mutagen
#   refuses to write them.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/library"
py=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
# Everything but score.sh is made anew.
find "$out" -maxdepth 1 -type f ! -name score.sh -delete

# One second of 16-bit mono silence: raw at 8 kHz, and as WAV at 8 kHz (Monkey's Audio) and
# 32 kHz (Musepack).
head -c 16000 /dev/zero >"$work/silence.raw"
ffmpeg -hide_banner -loglevel error -y -f s16le -ar 8000 -ac 1 -i "$work/silence.raw" \
  -fflags +bitexact "$work/silence8.wav"
ffmpeg -hide_banner -loglevel error -y -f s16le -ar 8000 -ac 1 -i "$work/silence.raw" \
  -ar 32000 -fflags +bitexact "$work/silence32.wav"

"$py" - "$out" "$work" <<'PY'
import os
import sys

from mutagen.id3 import ID3, TIT2, TPE1

out, work = sys.argv[1], sys.argv[2]
# What all the library's scripts share.
sys.path.insert(0, os.path.dirname(out))
from library_common import (ALL, LONG, TEXTS, apev2_after, name_filter, quote, run,  # noqa: E402
                            title_of)
raw = os.path.join(work, "silence.raw")
wav8 = os.path.join(work, "silence8.wav")
wav32 = os.path.join(work, "silence32.wav")
JMAC = "/usr/share/java/jmac.jar"


LATIN1 = ["ascii", "latin-beyonce", "latin-sigur", "latin-motley", "punct", "long"]


# --- Writers: each makes the file PATH with ARTIST and TITLE. ---------------------------------
def lame(path, *opts):
    run("lame", "--quiet", "-r", "-s", "8", "--bitwidth", "16", "--signed", "--little-endian",
        "-m", "m", "-b", "8", *opts, raw, path)


def plain_mp3(path):
    lame(path)


def mid3v2(path, artist, title):
    plain_mp3(path)
    run("mid3v2", "-a", artist, "-t", title, path)


def mutagen_v23(encoding):
    def write(path, artist, title):
        plain_mp3(path)
        tag = ID3()
        tag.add(TPE1(encoding=encoding, text=artist))
        tag.add(TIT2(encoding=encoding, text=title))
        tag.save(path, v2_version=3)
    return write


def eyed3(*opts):
    def write(path, artist, title):
        plain_mp3(path)
        run("eyeD3", "-Q", *opts, "-a", artist, "-t", title, path)
    return write


def id3v2_tool(path, artist, title):
    plain_mp3(path)  # id3v2 writes ID3v2.3 and ID3v1 by default
    run("id3v2", "-a", artist, "-t", title, path)


def kid3_tags(path, artist, title, tags):
    cmds = []
    for t in tags:
        cmds += ["-c", f"tag {t}", "-c", f"set artist {quote(artist)}",
                 "-c", f"set title {quote(title)}"]
    run("kid3-cli", *cmds, path)


def kid3(*tags):
    def write(path, artist, title):
        plain_mp3(path)
        kid3_tags(path, artist, title, tags)
    return write


def lame_tags(*opts):
    def write(path, artist, title):
        lame(path, *opts, "--ta", artist, "--tt", title)
    return write


def ffmpeg(codec_opts, artist_key="artist"):
    def write(path, artist, title):
        run("ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "s16le", "-ar", "8000",
            "-ac", "1", "-i", raw, *codec_opts, "-metadata", f"{artist_key}={artist}",
            "-metadata", f"title={title}", "-fflags", "+bitexact", "-flags:a", "+bitexact",
            path)
    return write


MP3_LAME = ["-c:a", "libmp3lame", "-b:a", "8k"]


def oggenc(path, artist, title):
    run("oggenc", "--quiet", "--raw", "--raw-rate=8000", "--raw-chan=1", "--raw-bits=16",
        "-q", "-1", "-a", artist, "-t", title, "-o", path, raw)


def mpcenc(path, artist, title):
    run("mpcenc", "--silent", "--overwrite", "--telephone", "--artist", artist,
        "--title", title, wav32, path)


def mpc_plain(path):
    run("mpcenc", "--silent", "--overwrite", "--telephone", wav32, path)


def ape_plain(path):
    # Java Monkey's Audio (jmac), fast compression: "c1 IN OUT".
    run("java", "-jar", JMAC, "c1", wav8, path)


def kid3_ape(path, artist, title):
    ape_plain(path)
    kid3_tags(path, artist, title, [2])


# Old Chinese MP3s: a bare 128-byte ID3v1.1 block of GBK bytes, as Chinese Windows taggers of
# the time wrote it, after plain audio with no ID3v2 tag.
GBK_TEXTS = {
    "zh-hans": ("王菲", "红豆"),
    "zh-hans-2": ("邓丽君", "月亮代表我的心"),
    "zh-hant": ("張學友", "吻別"),
    "japanese": ("宇多田ヒカル", "初恋"),
    "mixed": ("F.I.R.飞儿乐团", "Lydia 你的微笑"),
    "punct": ("小虎队", "爱?青苹果/乐园"),
    "exact30": ("刀郎", "冲动的惩罚情人情人情人情人情人"),  # 15 chars, 30 bytes, no NUL
    "long": ("刀郎", "2002年的第一场雪是不是比以往时候来得更晚一些"),
}


def gbk_v1(path, artist, title):
    plain_mp3(path)
    block = bytearray(128)
    block[0:3] = b"TAG"
    block[3:33] = title.encode("gbk")[:30].ljust(30, b"\0")
    block[33:63] = artist.encode("gbk")[:30].ljust(30, b"\0")
    block[63:93] = "专辑".encode("gbk").ljust(30, b"\0")
    block[93:97] = b"1999"
    block[126] = 1  # ID3v1.1 track
    block[127] = 12  # genre
    with open(path, "ab") as f:
        f.write(bytes(block))


def v1_cut(text, encoding):
    return text.encode(encoding)[:30].decode(encoding)


# --- The table: tagger, extension, writer, kinds of text, how the tag format keeps text. -----
# "keep" is what survives of a title in the tag that the program reads.
full = lambda text: text
cut_latin1 = lambda text: v1_cut(text, "latin-1")

TAGGERS = [
    # MP3, ID3v2.4 UTF-8 (mid3v2's default)
    ("mid3v2", "mp3", mid3v2, ALL + ["control"], full),
    # mutagen's API: ID3v2.3 with UTF-16 frames, and with Latin-1 frames
    ("mutagen-v23-utf16", "mp3", mutagen_v23(1), ALL + ["control"], full),
    ("mutagen-v23-latin1", "mp3", mutagen_v23(0), LATIN1, full),
    # eyeD3: its default ID3v2.4 (UTF-8), and --to-v2.3 (UTF-16)
    ("eyeD3", "mp3", eyed3(), ALL, full),
    ("eyeD3-v23", "mp3", eyed3("--to-v2.3"), ALL, full),
    # id3v2 (id3lib): ID3v2.3 (Latin-1, or UTF-16 where needed) plus ID3v1 by default
    ("id3v2", "mp3", id3v2_tool, ALL, full),
    # kid3-cli: its default ID3v2.3 (UTF-16); and tags 1 and 2 both
    ("kid3", "mp3", kid3(2), ALL, full),
    ("kid3-12", "mp3", kid3(1, 2), ALL, full),
    # lame: ID3v2.3 UTF-16 plus a lossy ID3v1 copy ('?' for what Latin-1 lacks, cut at 30)
    ("lame", "mp3", lame_tags(), ALL + ["control"], full),
    ("lame-v2only", "mp3", lame_tags("--id3v2-only"),
     ["ascii", "latin-beyonce", "zh-hans", "emoji", "long"], full),
    # lame --id3v1-only: Latin-1 ID3v1 alone; the tag itself cuts a long title at 30 bytes
    ("lame-v1", "mp3", lame_tags("--id3v1-only"),
     ["ascii", "latin-beyonce", "latin-sigur", "latin-motley", "long"], cut_latin1),
    # ffmpeg: ID3v2.4 UTF-8 by default; -id3v2_version 3 (UTF-16); -write_id3v1 1 adds an
    # ID3v1 tag of raw UTF-8 bytes cut at 30
    ("ffmpeg", "mp3", ffmpeg(MP3_LAME), ALL, full),
    ("ffmpeg-v23", "mp3", ffmpeg(MP3_LAME + ["-id3v2_version", "3"]), ALL, full),
    ("ffmpeg-v1", "mp3", ffmpeg(MP3_LAME + ["-write_id3v1", "1"]),
     ["ascii", "latin-beyonce", "zh-hans", "japanese", "punct", "long"], full),
    # Ogg Vorbis comments (UTF-8)
    ("oggenc", "ogg", oggenc, ALL + ["control"], full),
    ("ffmpeg-ogg", "ogg", ffmpeg(["-c:a", "libvorbis", "-q:a", "-1"]), ALL, full),
    # WMA content description (UTF-16LE); ffmpeg takes "artist" for the author field
    ("ffmpeg-wma", "wma", ffmpeg(["-c:a", "wmav2", "-b:a", "24k"]), ALL + ["control"], full),
    # RealMedia content description; ffmpeg's rm muxer writes "author" and the text as UTF-8
    ("ffmpeg-rm", "rm", ffmpeg(["-c:a", "real_144"], artist_key="author"), ALL, full),
    # Musepack SV8 with APEv2 (UTF-8): mpcenc's own tag options, and mutagen after encoding
    ("mpcenc", "mpc", mpcenc, ALL + ["control"], full),
    ("mpcenc-mpp", "mpp", mpcenc, ["ascii", "latin-motley", "zh-hant"], full),
    ("mutagen-apev2", "mpc", apev2_after(mpc_plain),
     ["ascii", "latin-sigur", "zh-hans", "japanese", "korean", "emoji", "punct", "long"],
     full),
    # Monkey's Audio by jmac, APEv2 by mutagen and by kid3-cli
    ("jmac-mutagen", "ape", apev2_after(ape_plain), ALL + ["control"], full),
    ("jmac-kid3", "ape", kid3_ape, ALL, full),
]

LATIN1_LEGACY = {"mutagen-v23-latin1", "id3v2", "lame-v1"}

rows = []
for tagger, ext, write, kinds, keep in TAGGERS:
    for kind in kinds:
        artist = TEXTS[kind][0]
        title = title_of(kind, tagger)
        name = f"{tagger}-{kind}.{ext}"
        write(os.path.join(out, name), artist, title)
        row = (tagger, kind, name, name_filter(f"{keep(artist)} - {keep(title)}.{ext}"))
        # Latin-1 bytes in a legacy tag (ID3v1, ID3v2 encoding 0) are no GBK: a user of such
        # tags picks the Western code page.
        if kind.startswith("latin-") and tagger in LATIN1_LEGACY:
            row += ("cp1252",)
        rows.append(row)

for kind, (artist, title) in GBK_TEXTS.items():
    name = f"gbk-v1-{kind}.mp3"
    gbk_v1(os.path.join(out, name), artist, title)
    kept = f"{v1_cut(artist, 'gbk')} - {v1_cut(title, 'gbk')}.mp3"
    rows.append(("gbk-v1", kind, name, name_filter(kept)))

with open(os.path.join(out, "EXPECTED.tsv"), "w", encoding="utf-8") as f:
    f.write("# tagger\ttext\tfile\texpected name under \"%1 - %2\"\tcode page (auto when absent)\n")
    for row in rows:
        f.write("\t".join(row) + "\n")
PY

{
  echo "Generated by tests/data/make-library.sh with these Debian packages:"
  dpkg-query -W -f '${Package} ${Version}\n' python3-mutagen eyed3 id3v2 kid3-cli lame ffmpeg \
    vorbis-tools musepack-tools libjmac-java
  java -version 2>&1 | head -n 1
} >"$out/TOOLS.txt"
