#!/bin/sh
# Adds the MPEG-4 audio files (.m4a, .m4b, .mp4) to library/ and their rows to
# library/EXPECTED.tsv, replacing those of an earlier run. Run it after make-library.sh, which
# empties the folder.
#
# Needs these Debian packages: ffmpeg, atomicparsley, python3-mutagen. Their versions are
# recorded in library/TOOLS.txt.
#
# Every file is one second of 8 kHz mono silence, AAC or ALAC, so the tags are most of the
# bytes. ffmpeg writes the moov after the media data unless told -movflags +faststart;
# AtomicParsley rewrites the file with the moov first; mutagen keeps it where it was. A file
# whose tag names nothing, and an .mp4 that holds a video track, expect to be declined.
set -eu
exec "${PYTHON:-/usr/bin/python3}" - "$(cd "$(dirname "$0")" && pwd)" <<'PY'
import glob
import os
import subprocess
import sys
import tempfile

here = sys.argv[1]
out = os.path.join(here, "library")
sys.path.insert(0, here)
from library_common import (ALL, DECLINED, TEXTS, name_filter, record_tools,  # noqa: E402
                           replace_rows, title_of)
from mutagen.mp4 import MP4  # noqa: E402

work = tempfile.TemporaryDirectory()
raw = os.path.join(work.name, "silence.raw")
with open(raw, "wb") as f:
    f.write(bytes(16000))

SILENCE = ["-f", "s16le", "-ar", "8000", "-ac", "1", "-i", raw]
EXACT = ["-fflags", "+bitexact", "-flags:a", "+bitexact"]
AAC = ["-c:a", "aac", "-b:a", "8k"]


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def ffmpeg(path, *opts):
    run("ffmpeg", "-hide_banner", "-loglevel", "error", "-y", *opts, *EXACT, path)


def tags(artist, title):
    # ffmpeg leaves out an empty text; "empty" files keep only an album, which names nothing.
    pairs = {"artist": artist, "title": title, "album": "Album Only" if not title else ""}
    return [x for k, v in pairs.items() if v for x in ("-metadata", f"{k}={v}")]


# --- Writers: each makes the file PATH with ARTIST and TITLE (None: left out). --------------
def ffmpeg_aac(*opts):
    def write(path, artist, title):
        ffmpeg(path, *SILENCE, *AAC, *opts, *tags(artist, title))
    return write


def ffmpeg_video(path, artist, title):
    # One black 16x16 frame beside the sound: a film, not an audio file.
    ffmpeg(path, "-f", "lavfi", "-i", "color=c=black:s=16x16:r=1:d=1", *SILENCE,
           "-c:v", "mpeg4", *AAC, "-shortest", *tags(artist, title))


def atomicparsley(path, artist, title):
    ffmpeg(path, *SILENCE, *AAC)
    opts = ["--artist", artist, "--title", title] if title else ["--album", "Album Only"]
    run("AtomicParsley", path, *opts, "--overWrite")


def mutagen_alac(path, artist, title):
    ffmpeg(path, *SILENCE, "-c:a", "alac")
    tag = MP4(path)
    if title is None:
        tag["\xa9alb"] = ["Album Only"]
    elif isinstance(artist, list):
        tag["\xa9ART"] = artist  # one data atom per artist
        tag["\xa9nam"] = [title]
    elif artist.startswith("aART:"):
        tag["aART"] = [artist[5:]]  # the album artist alone stands in for the artist
        tag["\xa9nam"] = [title]
    else:
        tag["\xa9ART"] = [artist]
        tag["\xa9nam"] = [title]
    tag["trkn"] = [(7, 12)]
    tag.save()


# Kinds of text beyond the shared ones: artist, title, and the artist in the expected name.
MORE = {
    "empty": (None, None, None),
    "multi": (["Simon", "Garfunkel"], "The Boxer", "Simon/Garfunkel"),
    "album-artist": ("aART:The Walkers", "Album Artist Only", "The Walkers"),
}
SOME = ["ascii", "latin-sigur", "zh-hans", "korean", "emoji", "long"]

# tagger, extension, writer, kinds of text.
TAGGERS = [
    # ffmpeg's default: the moov after the media data
    ("ffmpeg-m4a", "m4a", ffmpeg_aac(), ALL + ["control", "empty"]),
    # -movflags +faststart: the moov at the head
    ("ffmpeg-faststart", "m4a", ffmpeg_aac("-movflags", "+faststart"), SOME),
    ("ffmpeg-m4b", "m4b", ffmpeg_aac(), ["ascii", "zh-hant", "japanese", "emoji", "empty"]),
    ("ffmpeg-mp4", "mp4", ffmpeg_aac(), ["ascii", "latin-beyonce", "korean", "punct"]),
    ("ffmpeg-video", "mp4", ffmpeg_video, ["ascii"]),
    ("atomicparsley", "m4a", atomicparsley, ALL + ["empty"]),
    # mutagen on ALAC: one data atom per value, padding after the item list
    ("mutagen-alac", "m4a", mutagen_alac, ALL + ["control", "empty", "multi", "album-artist"]),
]

for old in glob.glob(os.path.join(out, "*.m4[ab]")) + glob.glob(os.path.join(out, "*.mp4")):
    os.remove(old)
rows = []
for tagger, ext, write, kinds in TAGGERS:
    for kind in kinds:
        if kind in MORE:
            artist, base, named = MORE[kind]
            title = base and f"{base} ({tagger})"
        else:
            artist, title = TEXTS[kind][0], title_of(kind, tagger)
            named = artist
        name = f"{tagger}-{kind}.{ext}"
        write(os.path.join(out, name), artist, title)
        declined = title is None or tagger == "ffmpeg-video"
        rows.append((tagger, kind, name,
                     DECLINED if declined else name_filter(f"{named} - {title}.{ext}")))
replace_rows(out, {t[0] for t in TAGGERS}, rows)
record_tools(out, "make-library-mp4.sh", ["ffmpeg", "atomicparsley", "python3-mutagen"])
PY
