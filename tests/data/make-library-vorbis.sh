#!/bin/sh
# Adds to library/ the formats that keep their tags as Vorbis comments, made by the encoders
# and taggers of other authors: FLAC, FLAC in Ogg (.oga), Opus and Speex, and Opus, Speex,
# FLAC and Vorbis streams under another Ogg extension. Appends their rows to
# library/EXPECTED.tsv (after dropping the rows it made before) and their tool versions to
# library/TOOLS.txt. Run it after make-library.sh, which makes those two files anew.
#
# Needs these Debian packages: flac (flac, metaflac), opus-tools (opusenc), speex (speexenc),
# vorbis-tools (oggenc), ffmpeg, id3v2, python3-mutagen.
#
# Files are named TAGGER-TEXT.EXT as in make-library.sh, each one second of 8 kHz mono
# silence. Beside the kinds of text of make-library.sh: "two-artists" (two ARTIST entries, named
# "A B" once "/" is replaced), "albumartist" (ALBUMARTIST only), and "empty" (no tag at all:
# the run must decline the file, "(declined)" in the table).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/library"
py=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c 16000 /dev/zero >"$work/silence.raw"

"$py" - "$out" "$work" <<'PY'
import os
import random
import struct
import sys
import zlib

from mutagen.flac import FLAC
from mutagen.id3 import APIC, ID3, TIT2, TPE1
from mutagen.oggflac import OggFLAC
from mutagen.oggopus import OggOpus
from mutagen.oggspeex import OggSpeex

out, work = sys.argv[1], sys.argv[2]
sys.path.insert(0, os.path.dirname(out))
from library_common import ALL, TEXTS, name_filter, run, title_of  # noqa: E402

raw = os.path.join(work, "silence.raw")

# Beside the kinds of text of make-library.sh, three of the Vorbis comment family.
TEXTS.update({
    "two-artists": (("The Walkers", "Sigur Rós"), "Two Of Us"),
    "albumartist": ("Various Walkers", "Compiled"),
    "empty": (None, None),
})
SOME = ["ascii", "latin-sigur", "zh-hans", "japanese", "korean", "emoji", "punct"]
EXTRA = ["control", "two-artists", "albumartist", "empty"]


def comments(kind, tagger):
    """The Vorbis comments of a file, as (key, value) in their order."""
    if kind == "empty":
        return []
    artist = TEXTS[kind][0]
    key = "ALBUMARTIST" if kind == "albumartist" else "ARTIST"
    artists = artist if isinstance(artist, tuple) else (artist,)
    return [(key, a) for a in artists] + [("TITLE", title_of(kind, tagger))]


def expected_artist(kind):
    artist = TEXTS[kind][0]
    return "/".join(artist) if isinstance(artist, tuple) else artist


# A noise PNG of about 52 KB: a cover picture far beyond a reader's first read, and in base64
# (70 KB) larger than one Ogg page.
def cover_png():
    rng = random.Random(1)
    w = h = 132
    pixels = b"".join(b"\0" + rng.randbytes(w * 3) for _ in range(h))

    def chunk(tag, data):
        return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(pixels, 9)) + chunk(b"IEND", b""))


COVER = os.path.join(work, "cover.png")
with open(COVER, "wb") as f:
    f.write(cover_png())

RAW_FLAC = ["--force-raw-format", "--endian=little", "--sign=signed", "--channels=1",
            "--bps=16", "--sample-rate=8000"]


# --- Writers: each makes the file PATH with the comments TAGS, a list of (key, value). ------
# The encoder's defaults add 8 KB of padding after the comments; the files of the "flac"
# tagger keep them, the others are made without, so that their tags are most of their bytes.
def flac(*opts):
    def write(path, tags):
        run("flac", "--silent", "-f", *RAW_FLAC, *opts,
            *[a for k, v in tags for a in ("-T", f"{k}={v}")], "-o", path, raw)
    return write


def metaflac(path, tags):
    flac("--no-padding")(path, [])
    run("metaflac", *[f"--set-tag={k}={v}" for k, v in tags], path)


def metaflac_picture_first(path, tags):
    # metaflac adds a new comment block after the blocks there are: with the encoder's one
    # removed and a picture imported first, the comments follow a 52 KB PICTURE block.
    flac("--no-padding")(path, [])
    run("metaflac", "--remove", "--block-type=VORBIS_COMMENT", path)
    run("metaflac", f"--import-picture-from={COVER}", path)
    run("metaflac", *[f"--set-tag={k}={v}" for k, v in tags], path)


def mutagen_tags(make, cls):
    def write(path, tags):
        make(path, [])
        f = cls(path)
        for k, v in tags:
            f.tags[k] = f.tags.get(k, []) + [v]
        f.save()
    return write


def with_id3v2(make, tool):
    # An ID3v2 tag in front of the FLAC marker, as some taggers write one; it holds the same
    # artist and title, and a picture where mutagen writes it.
    def write(path, tags):
        make(path, tags)
        artist = dict(tags).get("ARTIST", "")
        title = dict(tags).get("TITLE", "")
        if tool == "id3v2":
            run("id3v2", "-a", artist, "-t", title, path)
        else:
            id3 = ID3()
            id3.add(TPE1(encoding=3, text=artist))
            id3.add(TIT2(encoding=3, text=title))
            with open(COVER, "rb") as c:
                id3.add(APIC(encoding=3, mime="image/png", type=3, desc="", data=c.read()))
            id3.save(path)
    return write


def ffmpeg(*codec_opts):
    def write(path, tags):
        meta = [a for k, v in tags for a in ("-metadata", f"{k.lower()}={v}")]
        run("ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "s16le", "-ar", "8000",
            "-ac", "1", "-i", raw, *codec_opts, *meta, "-fflags", "+bitexact",
            "-flags:a", "+bitexact", path)
    return write


def encoder(tool, artist_option, *opts):
    """An encoder's own tag options: artist and title, any other key as a comment."""
    def write(path, tags):
        args = []
        for k, v in tags:
            args += {"ARTIST": [artist_option, v], "TITLE": ["--title", v]}.get(
                k, ["--comment", f"{k}={v}"])
        if tool == "opusenc":
            run("opusenc", "--quiet", "--raw", "--raw-rate", "8000", "--raw-chan", "1",
                "--bitrate", "6", *opts, *args, raw, path)
        else:
            run("speexenc", *opts, *args, "--rate", "8000", "--le", "--16bit", raw, path)
    return write


def opusenc(*opts):
    return encoder("opusenc", "--artist", *opts)


def speexenc(*opts):
    # speexenc keeps the artist under its own key, "author".
    return encoder("speexenc", "--author", *opts)


def oggenc(path, tags):
    run("oggenc", "--quiet", "--raw", "--raw-rate=8000", "--raw-chan=1", "--raw-bits=16",
        "-q", "-1", *[a for k, v in tags for a in ("-c", f"{k}={v}")], "-o", path, raw)


# --- The table: tagger, extension, writer, kinds of text. -----------------------------------
TAGGERS = [
    # FLAC: the encoder's -T, metaflac, mutagen, ffmpeg
    ("flac", "flac", flac(), ALL + EXTRA),
    ("metaflac", "flac", metaflac, SOME + ["two-artists", "albumartist"]),
    ("mutagen-flac", "flac", mutagen_tags(flac("--no-padding"), FLAC), SOME + ["two-artists"]),
    ("ffmpeg-flac", "flac", ffmpeg("-c:a", "flac"), ALL + ["empty"]),
    # the comments after a 77 KB PICTURE block
    ("metaflac-picture", "flac", metaflac_picture_first, ["japanese"]),
    # an ID3v2 tag in front: id3lib's (with ID3v1 at the end), mutagen's with a picture
    ("id3v2-flac", "flac", with_id3v2(flac("--no-padding"), "id3v2"), ["ascii", "zh-hans", "emoji"]),
    ("mutagen-id3-flac", "flac", with_id3v2(flac("--no-padding"), "mutagen"), ["korean"]),
    # FLAC in Ogg: flac --ogg, ffmpeg, mutagen
    ("flac-ogg", "oga", flac("--ogg", "--no-padding"), ALL + EXTRA),
    ("ffmpeg-oga", "oga", ffmpeg("-c:a", "flac", "-f", "ogg"), ALL + ["empty"]),
    ("mutagen-oggflac", "oga", mutagen_tags(flac("--ogg", "--no-padding"), OggFLAC), SOME),
    # Opus: opusenc, with a cover that spreads OpusTags over pages, ffmpeg, mutagen
    ("opusenc", "opus", opusenc(), ALL + EXTRA),
    ("opusenc-picture", "opus", opusenc("--picture", COVER), ["emoji"]),
    ("ffmpeg-opus", "opus", ffmpeg("-c:a", "libopus", "-b:a", "6k"), ALL + ["empty"]),
    ("mutagen-opus", "opus", mutagen_tags(opusenc(), OggOpus), SOME + ["two-artists"]),
    # Speex: speexenc, with an Ogg Skeleton stream first, ffmpeg, mutagen
    ("speexenc", "spx", speexenc(), ALL + EXTRA),
    ("speexenc-skeleton", "spx", speexenc("--skeleton"), ["ascii", "zh-hant"]),
    ("ffmpeg-spx", "spx", ffmpeg("-c:a", "libspeex"), ALL + ["empty"]),
    ("mutagen-speex", "spx", mutagen_tags(speexenc(), OggSpeex), SOME),
    # Other codecs than the extension says, read by the codec of the first packet
    ("opusenc-ogg", "ogg", opusenc(), ["ascii", "zh-hant", "emoji"]),
    ("speexenc-ogg", "ogg", speexenc(), ["ascii", "korean"]),
    ("flac-ogg-ogg", "ogg", flac("--ogg", "--no-padding"), ["ascii", "japanese"]),
    ("opusenc-oga", "oga", opusenc(), ["ascii", "latin-motley"]),
    ("oggenc-oga", "oga", oggenc, ["ascii", "zh-hans"]),
    ("speexenc-opus", "opus", speexenc(), ["ascii"]),
    ("opusenc-spx", "spx", opusenc(), ["ascii"]),
]
MINE = {t[0] for t in TAGGERS}

rows = []
for tagger, ext, write, kinds in TAGGERS:
    for kind in kinds:
        name = f"{tagger}-{kind}.{ext}"
        write(os.path.join(out, name), comments(kind, tagger))
        expected = ("(declined)" if kind == "empty" else
                    name_filter(f"{expected_artist(kind)} - {title_of(kind, tagger)}.{ext}"))
        rows.append((tagger, kind, name, expected))

table = os.path.join(out, "EXPECTED.tsv")
with open(table, encoding="utf-8") as f:
    kept = [line for line in f if line.startswith("#") or line.split("\t")[0] not in MINE]
with open(table, "w", encoding="utf-8") as f:
    f.writelines(kept)
    for row in rows:
        f.write("\t".join(row) + "\n")
PY

# This script's block of TOOLS.txt ends at a blank line, so the blocks of other scripts stay.
tools="$out/TOOLS.txt"
sed -i '/^Added by tests\/data\/make-library-vorbis.sh/,/^$/d' "$tools"
{
  echo "Added by tests/data/make-library-vorbis.sh with these Debian packages:"
  dpkg-query -W -f '${Package} ${Version}\n' flac opus-tools speex vorbis-tools ffmpeg id3v2 \
    python3-mutagen
  echo
} >>"$tools"
