#!/bin/sh
# Adds to library/ files in the tag layouts that real collections hold beside the plain ones,
# and their rows to library/EXPECTED.tsv (the name each file should get under "%1 - %2"),
# replacing those of an earlier run. Run it after the other make-library*.sh scripts.
#
# Needs these Debian packages: lame, mp3gain, python3-mutagen, ffmpeg, vorbis-tools (oggenc,
# vorbiscomment), libjmac-java and a java runtime, musepack-tools (mpcenc), flac (metaflac),
# opus-tools, speex, wavpack (wvtag). Their versions are recorded in library/TOOLS.txt.
#
# Every file is one second of silence at 8 kHz mono (32 kHz for Musepack), named
# TAGGER-TEXT.EXT as in make-library.sh. The layouts:
# - MP3 with an APEv2 tag, as older foobar2000 versions wrote it: mutagen's APEv2 tag alone;
#   with an ID3v1 copy after it in which "?" stands for what Latin-1 lacks (mutagen's own
#   conversion of an ID3v2 tag into ID3v1, the ID3v2 tag removed again); beside an ID3v2.4
#   tag that holds the title but no artist (the APE tag's title is a stale one, which the
#   ID3v2 title overrides); and mp3gain's APE tag, which names nothing, after an ID3v1 tag
#   that names the file.
# - MP3 with an ID3v2.4 tag appended at the end with a footer ("3DI"). No packaged tool
#   writes one (mutagen, eyeD3, id3v2, kid3-cli and ffmpeg all put the tag at the start), so
#   the tag mutagen writes at the start, without padding, is moved here behind the audio,
#   its footer flag set and its footer added: alone, before an ID3v1 copy, and before an APE
#   tag that holds the artist while the ID3v2 tag holds the title.
# - The album artist alone (ID3v2 TPE2, WM/AlbumArtist by ffmpeg's album_artist and by
#   mutagen, Vorbis ALBUMARTIST, APE "Album Artist"): the file is named from it.
# - Several values of one field: ARTIST twice in Vorbis comments (oggenc -c, vorbiscomment
#   -t), an APE item of two values (mutagen), two WMA authors (mutagen puts the second in
#   the metadata library object): named "A/B", which the name filter makes "A B".
# - Values with blanks around them ("blanks"), in each format: named without them.
set -eu
exec "${PYTHON:-/usr/bin/python3}" - "$(cd "$(dirname "$0")" && pwd)" <<'PY'
import os
import shutil
import sys
import tempfile

here = sys.argv[1]
out = os.path.join(here, "library")
sys.path.insert(0, here)
from library_common import (ALL, TEXTS, name_filter, record_tools, replace_rows,  # noqa: E402
                            run, title_of)
from mutagen.apev2 import APEv2  # noqa: E402
from mutagen.asf import ASF  # noqa: E402
from mutagen.dsf import DSF  # noqa: E402
from mutagen.id3 import ID3, TIT2, TPE1, TPE2  # noqa: E402

work = tempfile.TemporaryDirectory()
raw = os.path.join(work.name, "silence.raw")
with open(raw, "wb") as f:
    f.write(bytes(16000))
JMAC = "/usr/share/java/jmac.jar"
SILENCE = ["-f", "s16le", "-ar", "8000", "-ac", "1", "-i", raw]
EXACT = ["-fflags", "+bitexact", "-flags:a", "+bitexact"]


def ffmpeg(path, *opts):
    run("ffmpeg", "-hide_banner", "-loglevel", "error", "-y", *SILENCE, *opts, *EXACT, path)


def tmp(name):
    return os.path.join(work.name, name)


# Kinds of text beyond the shared ones: artist (several as a tuple), title, and what stands
# for the artist in the expected name.
MORE = {
    "blanks": ("  The Walkers \t", "  Spaced Out", "The Walkers"),
    "two-artists": (("Simon", "Garfunkel"), "The Boxer", "Simon/Garfunkel"),
    "albumartist": ("Various Walkers", "Compiled", "Various Walkers"),
}


def values(artist):
    return list(artist) if isinstance(artist, tuple) else [artist]


# --- Plain files, without tags. ---------------------------------------------------------------
def mp3_plain(path):
    run("lame", "--quiet", "-r", "-s", "8", "--bitwidth", "16", "--signed", "--little-endian",
        "-m", "m", "-b", "8", raw, path)


def ape_plain(path):
    ffmpeg(tmp("s8.wav"))
    run("java", "-jar", JMAC, "c1", tmp("s8.wav"), path)


def mpc_plain(path):
    ffmpeg(tmp("s32.wav"), "-ar", "32000")
    run("mpcenc", "--silent", "--overwrite", "--telephone", tmp("s32.wav"), path)


# --- Tags added to a file. --------------------------------------------------------------------
def add_ape(path, artist=None, title=None, key="Artist"):
    tag = APEv2()
    if artist is not None:
        tag[key] = values(artist)  # several values: one item, its values separated by NUL
    if title is not None:
        tag["Title"] = title
    tag.save(path)


def add_id3(path, artist=None, title=None, albumartist=None, v1=0, padding=None):
    tag = ID3()
    if artist is not None:
        tag.add(TPE1(encoding=3, text=values(artist)))
    if albumartist is not None:
        tag.add(TPE2(encoding=3, text=albumartist))
    if title is not None:
        tag.add(TIT2(encoding=3, text=title))
    tag.save(path, v2_version=4, v1=v1, padding=padding)


def add_v1_copy(path, artist, title):
    # mutagen's ID3v1 copy of an ID3v2 tag ("?" for what Latin-1 lacks, cut at 30 bytes),
    # written after what the file ends with; the ID3v2 tag is taken away again.
    add_id3(path, artist, title, v1=2)
    ID3(path).delete(path, delete_v1=False, delete_v2=True)


def move_id3_to_end(path):
    # The ID3v2.4 tag at the start goes behind the audio, before an ID3v1 tag if there is one,
    # with the footer flag (0x10) set and the footer: "3DI" and the header's other bytes.
    data = open(path, "rb").read()
    size = 10 + (data[6] << 21 | data[7] << 14 | data[8] << 7 | data[9])
    header = bytearray(data[:10])
    header[5] |= 0x10
    tag = bytes(header) + data[10:size] + b"3DI" + bytes(header[3:])
    rest = data[size:]
    cut = len(rest) - 128 if rest[-128:-125] == b"TAG" else len(rest)
    with open(path, "wb") as f:
        f.write(rest[:cut] + tag + rest[cut:])


# --- Writers: each makes the file PATH with ARTIST and TITLE. ---------------------------------
def ape_mp3(path, artist, title):
    mp3_plain(path)
    add_ape(path, artist, title)


def ape_v1_mp3(path, artist, title):
    mp3_plain(path)
    add_ape(path, artist, title)
    add_v1_copy(path, artist, title)


def ape_id3_mp3(path, artist, title):
    mp3_plain(path)
    add_id3(path, None, title)
    add_ape(path, artist, "Stale Title")


def mp3gain_v1(path, artist, title):
    run("lame", "--quiet", "-r", "-s", "8", "--bitwidth", "16", "--signed", "--little-endian",
        "-m", "m", "-b", "8", "--id3v1-only", "--ta", artist, "--tt", title, raw, path)
    run("mp3gain", "-q", "-r", "-c", path)  # its undo data goes into an APE tag


def appended(v1=False, ape=False):
    def write(path, artist, title):
        mp3_plain(path)
        if v1:
            add_id3(path, artist, title, v1=2, padding=lambda info: 0)
        else:
            add_id3(path, None if ape else artist, title, padding=lambda info: 0)
        move_id3_to_end(path)
        if ape:
            add_ape(path, artist)
    return write


def tpe2_mp3(path, artist, title):
    mp3_plain(path)
    add_id3(path, title=title, albumartist=artist)


def ape_after(plain, key="Artist"):
    def write(path, artist, title):
        plain(path)
        add_ape(path, artist, title, key)
    return write


def ffmpeg_wma(artist_key):
    def write(path, artist, title):
        ffmpeg(path, "-c:a", "wmav2", "-b:a", "24k", "-metadata", f"{artist_key}={artist}",
               "-metadata", f"title={title}")
    return write


def mutagen_wma(key):
    def write(path, artist, title):
        ffmpeg(path, "-c:a", "wmav2", "-b:a", "24k")
        f = ASF(path)
        f.tags.clear()
        f[key] = values(artist)
        f["Title"] = [title]
        f.save()
    return write


def oggenc(key):
    def write(path, artist, title):
        run("oggenc", "--quiet", "--raw", "--raw-rate=8000", "--raw-chan=1", "--raw-bits=16",
            "-q", "-1", *[x for a in values(artist) for x in ("-c", f"{key}={a}")],
            "-t", title, "-o", path, raw)
    return write


def vorbiscomment(key):
    def write(path, artist, title):
        run("oggenc", "--quiet", "--raw", "--raw-rate=8000", "--raw-chan=1", "--raw-bits=16",
            "-q", "-1", "-o", path, raw)
        tags = [x for a in values(artist) for x in ("-t", f"{key}={a}")]
        run("vorbiscomment", "-w", *tags, "-t", f"TITLE={title}", path)
    return write


def ffmpeg_tags(*opts, artist_key="artist"):
    def write(path, artist, title):
        ffmpeg(path, *opts, "-metadata", f"{artist_key}={artist}", "-metadata", f"title={title}")
    return write


def flac_blanks(path, artist, title):
    ffmpeg(path, "-c:a", "flac")
    run("metaflac", "--remove-all-tags", f"--set-tag=ARTIST={artist}", f"--set-tag=TITLE={title}",
        path)


def opusenc(path, artist, title):
    run("opusenc", "--quiet", "--raw", "--raw-rate", "8000", "--raw-chan", "1", "--artist", artist,
        "--title", title, raw, path)


def speexenc(path, artist, title):
    run("speexenc", "--quiet", "--rate", "8000", "--le", "--16bit", "--author", artist, "--title",
        title, raw, path)


def wvtag(path, artist, title):
    ffmpeg(tmp("s8.wav"))
    run("wavpack", "-q", "-y", tmp("s8.wav"), "-o", path)
    run("wvtag", "-q", "-y", "-w", f"Artist={artist}", "-w", f"Title={title}", path)


def dsf_id3(path, artist, title):
    shutil.copy(os.path.join(out, "untagged.dsf"), path)  # made by make-library-riff.sh
    f = DSF(path)
    f.add_tags()
    f.tags.add(TPE1(encoding=3, text=artist))
    f.tags.add(TIT2(encoding=3, text=title))
    f.save()


def ffmpeg_rm(path, artist, title):
    ffmpeg(path, "-c:a", "real_144", "-metadata", f"author={artist}", "-metadata", f"title={title}")


SOME = ["ascii", "latin-sigur", "zh-hans", "japanese", "korean", "emoji", "punct"]
FEW = ["ascii", "zh-hant", "emoji"]

# tagger, extension, writer, kinds of text.
TAGGERS = [
    # MP3: APEv2 alone, before a lossy ID3v1 copy, beside an ID3v2 tag; mp3gain's APE tag
    ("mutagen-ape-mp3", "mp3", ape_mp3, ALL + ["blanks", "two-artists"]),
    ("mutagen-ape+v1copy-mp3", "mp3", ape_v1_mp3, ALL),
    ("mutagen-ape+id3v2-mp3", "mp3", ape_id3_mp3, SOME),
    ("mp3gain", "mp3", mp3gain_v1, ["ascii", "blanks"]),
    ("mutagen-ape-albumartist-mp3", "mp3", ape_after(mp3_plain, "Album Artist"), ["albumartist"]),
    # MP3: ID3v2.4 appended with a footer
    ("appended-v24-mp3", "mp3", appended(), ALL + ["blanks"]),
    ("appended-v24+v1copy-mp3", "mp3", appended(v1=True), SOME),
    ("appended-v24+ape-mp3", "mp3", appended(ape=True), FEW),
    ("mutagen-tpe2-mp3", "mp3", tpe2_mp3, ["albumartist", "zh-hans"]),
    # WMA: WM/AlbumArtist alone; two authors; blanks
    ("ffmpeg-wma-albumartist", "wma", ffmpeg_wma("album_artist"), SOME + ["albumartist"]),
    ("mutagen-wma-albumartist", "wma", mutagen_wma("WM/AlbumArtist"), FEW),
    ("mutagen-wma-authors", "wma", mutagen_wma("Author"), ["two-artists"]),
    ("ffmpeg-wma-blanks", "wma", ffmpeg_wma("artist"), ["blanks"]),
    # Ogg Vorbis: two ARTIST entries, ALBUMARTIST alone, blanks
    ("oggenc-c", "ogg", oggenc("ARTIST"), ["two-artists", "blanks"]),
    ("vorbiscomment", "ogg", vorbiscomment("ARTIST"), ["two-artists", "blanks"]),
    ("vorbiscomment-albumartist", "ogg", vorbiscomment("ALBUMARTIST"), ["albumartist", "korean"]),
    # Monkey's Audio and Musepack: an APE item of two values, "Album Artist" alone, blanks
    ("jmac+mutagen-ape", "ape", ape_after(ape_plain), ["two-artists", "blanks"]),
    ("jmac+mutagen-albumartist", "ape", ape_after(ape_plain, "Album Artist"),
     ["albumartist", "japanese"]),
    ("mpcenc+mutagen-ape", "mpc", ape_after(mpc_plain), ["two-artists", "blanks"]),
    ("mpcenc+mutagen-albumartist", "mpc", ape_after(mpc_plain, "Album Artist"), ["albumartist"]),
    # Blanks around the values of every other format
    ("ffmpeg-rm-blanks", "rm", ffmpeg_rm, ["blanks"]),
    ("metaflac-blanks", "flac", flac_blanks, ["blanks"]),
    ("opusenc-blanks", "opus", opusenc, ["blanks"]),
    ("speexenc-blanks", "spx", speexenc, ["blanks"]),
    ("ffmpeg-m4a-blanks", "m4a", ffmpeg_tags("-c:a", "aac", "-b:a", "8k"), ["blanks"]),
    ("wvtag-blanks", "wv", wvtag, ["blanks"]),
    ("ffmpeg-wav-blanks", "wav", ffmpeg_tags("-c:a", "pcm_u8", "-f", "wav"), ["blanks"]),
    ("ffmpeg-aiff-blanks", "aiff", ffmpeg_tags("-c:a", "pcm_s8", "-f", "aiff", artist_key="author"),
     ["blanks"]),
    ("mutagen-dsf-blanks", "dsf", dsf_id3, ["blanks"]),
]

# The files of an earlier run go first, by their rows.
ours = {t[0] for t in TAGGERS}
with open(os.path.join(out, "EXPECTED.tsv"), encoding="utf-8") as f:
    for line in f:
        cells = line.rstrip("\n").split("\t")
        if cells[0] in ours and os.path.exists(os.path.join(out, cells[2])):
            os.remove(os.path.join(out, cells[2]))

rows = []
for tagger, ext, write, kinds in TAGGERS:
    for kind in kinds:
        if kind in MORE:
            artist, base, named = MORE[kind]
            title = f"{base} ({tagger})" if kind != "blanks" else f"{base} ({tagger})  "
        else:
            artist, title = TEXTS[kind][0], title_of(kind, tagger)
            named = artist
        name = f"{tagger}-{kind}.{ext}"
        write(os.path.join(out, name), artist, title)
        rows.append((tagger, kind, name, name_filter(f"{named} - {title.strip()}.{ext}")))
replace_rows(out, ours, rows)
record_tools(out, "make-library-layouts.sh",
             ["lame", "mp3gain", "python3-mutagen", "ffmpeg", "vorbis-tools", "libjmac-java",
              "musepack-tools", "flac", "opus-tools", "speex", "wavpack"])
PY
