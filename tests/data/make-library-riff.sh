#!/bin/sh
# Adds WavPack, WAV, AIFF and DSF files to library/, tagged by the encoders and taggers of
# other authors, and their rows to library/EXPECTED.tsv (the name each file should get under
# "%1 - %2"). Run it after make-library.sh, which makes the folder anew; a second run
# replaces the files and rows of its own extensions and its part of library/TOOLS.txt.
#
# Needs these Debian packages: wavpack (wavpack, wvtag), ffmpeg, sox, python3-mutagen,
# kid3-cli.
#
# Every file is one second of 8-bit mono silence at 8 kHz (DSF: one 4096-byte block of DSD
# silence), so the tags are much of the bytes and the tags at the end lie beyond a 4 KiB read
# of the head.
#
# Each file is named TAGGER-TEXT.EXT, and every title carries the tagger's name, as in
# make-library.sh. A file whose tag names no artist and no title, TAGGER.EXT, expects
# "(declined)": the run keeps its name.
#
# What writes what:
# - wavpack -w / wvtag -w / mutagen: APEv2 at the end of a .wv; kid3-cli tag 1: ID3v1 there.
# - ffmpeg -metadata on WAV: a LIST/INFO chunk before the data, its texts as UTF-8 bytes; with
#   -rf64 always the same in an RF64 file. kid3-cli tag 3: LIST/INFO after the data.
# - mutagen on WAV: an "id3 " chunk at the end; kid3-cli tag 2: an "ID3 " chunk.
# - ffmpeg on AIFF: NAME and AUTH chunks (its "author" key) before the data, AIFC for a-law;
#   with -write_id3v2 1 an ID3 chunk at the end too. mutagen and kid3-cli: an "ID3 " chunk.
# - DSF: ffmpeg cannot encode it, so the header and one block of data are written here and
#   mutagen adds the ID3v2 tag at the end and its offset in the header.
#
# Not made here: NAME/AUTH chunks holding other bytes than UTF-8 (no packaged tool writes
# them; the reader tests build them), ID3v1 and ID3v2 tags prepended to WAV files.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/library"
py=${PYTHON:-/usr/bin/python3}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
find "$out" -maxdepth 1 -type f \( -name '*.wv' -o -name '*.wav' -o -name '*.aif' \
  -o -name '*.aiff' -o -name '*.aifc' -o -name '*.dsf' \) -delete

# One second of 8-bit mono silence at 8 kHz, raw.
head -c 8000 /dev/zero | tr '\000' '\200' >"$work/silence.u8"

"$py" - "$out" "$work" <<'PY'
import os
import struct
import sys

from mutagen.aiff import AIFF
from mutagen.dsf import DSF
from mutagen.id3 import TIT2, TPE1, TPE2
from mutagen.wave import WAVE

out, work = sys.argv[1], sys.argv[2]
# What all the library's scripts share.
sys.path.insert(0, os.path.dirname(out))
from library_common import (ALL, TEXTS, apev2_after, name_filter, quote, run,  # noqa: E402
                            title_of)
raw = os.path.join(work, "silence.u8")
# ffmpeg's options for each container: 8-bit PCM, and a-law, which makes ffmpeg write AIFC.
PCM_WAV = ["-c:a", "pcm_u8", "-f", "wav"]
PCM_AIFF = ["-c:a", "pcm_s8", "-f", "aiff"]
ALAW_AIFC = ["-c:a", "pcm_alaw", "-f", "aiff"]
LATIN1 = ["ascii", "latin-beyonce", "latin-sigur", "latin-motley", "long"]
DECLINED = "(declined)"


# --- Plain files, without tags. ---------------------------------------------------------------
def ffmpeg(path, *opts, metadata=()):
    meta = []
    for key, value in metadata:
        meta += ["-metadata", f"{key}={value}"]
    run("ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-f", "u8", "-ar", "8000",
        "-ac", "1", "-i", raw, *opts, *meta, "-fflags", "+bitexact", "-flags:a", "+bitexact",
        path)


def wav_plain(path):
    ffmpeg(path, *PCM_WAV)


def aiff_plain(path):
    ffmpeg(path, *PCM_AIFF)


def sox_aiff(path):
    run("sox", "-t", "raw", "-r", "8000", "-e", "unsigned", "-b", "8", "-c", "1", raw,
        "-t", "aiff", "-e", "signed", path)


def wv_plain(path):
    wav = os.path.join(work, "plain.wav")
    wav_plain(wav)
    run("wavpack", "-q", "-y", wav, "-o", path)


def dsf_plain(path):
    # "DSD " chunk (its size, the file's, the metadata offset), "fmt " chunk (version 1, DSD
    # raw, mono, 2.8224 MHz, 1 bit, the samples, 4096-byte blocks), "data" chunk.
    block = 4096
    fmt = b"fmt " + struct.pack("<QIIIIIIQII", 52, 1, 0, 1, 1, 2822400, 1, block * 8, block, 0)
    data = b"data" + struct.pack("<Q", 12 + block) + b"\x69" * block
    head = b"DSD " + struct.pack("<QQQ", 28, 28 + len(fmt) + len(data), 0)
    with open(path, "wb") as f:
        f.write(head + fmt + data)


# --- Writers: each makes the file PATH with ARTIST and TITLE. ---------------------------------
def wavpack(path, artist, title):
    wav = os.path.join(work, "plain.wav")
    wav_plain(wav)
    run("wavpack", "-q", "-y", "--no-utf8-convert", "-w", f"Artist={artist}",
        "-w", f"Title={title}", wav, "-o", path)


def wvtag(*fields):
    def write(path, artist, title):
        wv_plain(path)
        values = {"Artist": artist, "Album Artist": artist, "Title": title}
        args = []
        for field in fields:
            args += ["-w", f"{field}={values[field]}"]
        run("wvtag", "-q", "-y", "--no-utf8-convert", *args, path)
    return write


def kid3(plain, tag):
    def write(path, artist, title):
        plain(path)
        run("kid3-cli", "-c", f"tag {tag}", "-c", f"set artist {quote(artist)}",
            "-c", f"set title {quote(title)}", path)
    return write


def ffmpeg_tags(*opts, artist_key="artist"):
    def write(path, artist, title):
        ffmpeg(path, *opts, metadata=[(artist_key, artist), ("title", title)])
    return write


def id3_after(plain, filetype, version=4, encoding=3, frames=("artist", "title"), stale=False):
    # mutagen's ID3 chunk (WAV "id3 ", AIFF "ID3 ") or DSF tag; with `stale`, the file's own
    # texts from its encoder are other ones, which the ID3 tag overrides.
    def write(path, artist, title):
        if stale:
            plain(path, "Stale Artist", "Stale Title")
        else:
            plain(path)
        f = filetype(path)
        f.add_tags()
        make = {"artist": TPE1, "title": TIT2, "albumartist": TPE2}
        value = {"artist": artist, "title": title, "albumartist": artist}
        for frame in frames:
            f.tags.add(make[frame](encoding=encoding, text=value[frame]))
        f.save(v2_version=version)
    return write


def info_then_title(path, artist, title):
    # INFO gives the artist; an ID3 chunk holding only the title is added after it.
    ffmpeg(path, *PCM_WAV, metadata=[("artist", artist)])
    f = WAVE(path)
    f.add_tags()
    f.tags.add(TIT2(encoding=3, text=title))
    f.save()


def untagged(plain):
    return lambda path, artist, title: plain(path)


def empty_id3(plain, filetype):
    def write(path, artist, title):
        plain(path)
        f = filetype(path)
        f.add_tags()
        f.save()
    return write


full = lambda text: text
cut_latin1 = lambda text: text.encode("latin-1")[:30].decode("latin-1")

# tagger, extension, writer, kinds of text, what the tag keeps of a text, and "declined" for a
# file that is to get no name. The "-albumartist" taggers write the artist as the album
# artist alone, which names the file as well.
TAGGERS = [
    # WavPack: APEv2 (UTF-8) by the encoder, by wvtag and by mutagen; ID3v1 by kid3-cli
    ("wavpack", "wv", wavpack, ALL + ["control"], full),
    ("wvtag", "wv", wvtag("Artist", "Title"),
     ["ascii", "latin-sigur", "zh-hant", "japanese", "emoji", "punct", "long"], full),
    ("mutagen-apev2", "wv", apev2_after(wv_plain),
     ["ascii", "latin-motley", "zh-hans", "korean"], full),
    ("kid3-v1", "wv", kid3(wv_plain, 1), LATIN1, cut_latin1),
    ("wvtag-albumartist", "wv", wvtag("Album Artist", "Title"), ["ascii", "zh-hans"], full),
    ("wavpack-untagged", "wv", untagged(wv_plain), ["ascii"], full, "declined"),
    # WAV: LIST/INFO by ffmpeg (also in RF64) and kid3-cli; ID3 chunks by mutagen and kid3-cli
    ("ffmpeg", "wav", ffmpeg_tags(*PCM_WAV), ALL + ["control"], full),
    ("ffmpeg-rf64", "wav", ffmpeg_tags(*PCM_WAV, "-rf64", "always"),
     ["ascii", "zh-hans", "emoji"], full),
    ("kid3-info", "wav", kid3(wav_plain, 3),
     ["ascii", "latin-beyonce", "japanese", "korean", "punct"], full),
    ("mutagen", "wav", id3_after(wav_plain, WAVE), ALL + ["control"], full),
    ("mutagen-v23", "wav", id3_after(wav_plain, WAVE, version=3, encoding=1),
     ["latin-sigur", "zh-hant", "emoji", "long"], full),
    ("kid3", "wav", kid3(wav_plain, 2), ["ascii", "latin-motley", "zh-hans", "korean", "punct"],
     full),
    # Both: ffmpeg's INFO says other texts; the ID3 chunk wins. And an ID3 chunk with the title
    # alone over INFO with the artist: each field from where it is.
    ("ffmpeg+mutagen", "wav", id3_after(ffmpeg_tags(*PCM_WAV), WAVE, stale=True),
     ["ascii", "zh-hans", "emoji"], full),
    ("ffmpeg+mutagen-title", "wav", info_then_title, ["ascii", "japanese"], full),
    ("mutagen-albumartist", "wav", id3_after(wav_plain, WAVE, frames=("albumartist", "title")),
     ["ascii", "korean"], full),
    ("ffmpeg-untagged", "wav", untagged(wav_plain), ["ascii"], full, "declined"),
    ("mutagen-empty", "wav", empty_id3(wav_plain, WAVE), ["ascii"], full, "declined"),
    # AIFF: NAME/AUTH by ffmpeg (and AIFC); ID3 chunks by ffmpeg, mutagen and kid3-cli
    ("ffmpeg", "aiff", ffmpeg_tags(*PCM_AIFF, artist_key="author"), ALL + ["control"], full),
    ("ffmpeg-id3", "aiff", ffmpeg_tags(*PCM_AIFF, "-write_id3v2", "1"), ALL, full),
    ("ffmpeg+mutagen", "aiff",
     id3_after(ffmpeg_tags(*PCM_AIFF, artist_key="author"), AIFF, stale=True),
     ["ascii", "zh-hans"], full),
    ("sox+mutagen", "aif", id3_after(sox_aiff, AIFF),
     ["ascii", "latin-beyonce", "zh-hant", "korean", "emoji", "long"], full),
    ("kid3", "aif", kid3(aiff_plain, 2), ["ascii", "japanese", "punct"], full),
    ("ffmpeg", "aifc", ffmpeg_tags(*ALAW_AIFC, artist_key="author"),
     ["ascii", "latin-sigur", "zh-hans"], full),
    ("ffmpeg+mutagen", "aifc", id3_after(lambda p: ffmpeg(p, *ALAW_AIFC), AIFF),
     ["ascii", "korean"], full),
    ("ffmpeg-untagged", "aiff", untagged(aiff_plain), ["ascii"], full, "declined"),
    # DSF: the ID3v2 tag by mutagen, version 2.4 (UTF-8) and 2.3 (UTF-16)
    ("mutagen", "dsf", id3_after(dsf_plain, DSF), ALL + ["control"], full),
    ("mutagen-v23", "dsf", id3_after(dsf_plain, DSF, version=3, encoding=1),
     ["latin-motley", "zh-hans", "emoji"], full),
    ("mutagen-albumartist", "dsf", id3_after(dsf_plain, DSF, frames=("albumartist", "title")),
     ["ascii"], full),
    ("untagged", "dsf", untagged(dsf_plain), ["ascii"], full, "declined"),
]

rows = []
for tagger, ext, write, kinds, keep, *expect in TAGGERS:
    for kind in kinds:
        artist = TEXTS[kind][0]
        title = title_of(kind, tagger)
        name = f"{tagger}.{ext}" if expect == ["declined"] else f"{tagger}-{kind}.{ext}"
        write(os.path.join(out, name), artist, title)
        expected = name_filter(f"{keep(artist)} - {keep(title)}.{ext}")
        if expect == ["declined"]:
            expected = DECLINED
        row = (tagger, "empty" if expect == ["declined"] else kind, name, expected)
        # ID3v1's Latin-1 bytes are no GBK: a user of such tags picks the Western code page.
        if kind.startswith("latin-") and keep is cut_latin1:
            row += ("cp1252",)
        rows.append(row)

ours = (".wv", ".wav", ".aif", ".aiff", ".aifc", ".dsf")
expected_tsv = os.path.join(out, "EXPECTED.tsv")
with open(expected_tsv, encoding="utf-8") as f:
    kept = [line for line in f
            if line.startswith("#") or not line.split("\t")[2].endswith(ours)]
with open(expected_tsv, "w", encoding="utf-8") as f:
    f.writelines(kept)
    for row in rows:
        f.write("\t".join(row) + "\n")
PY

tools="$out/TOOLS.txt"
touch "$tools"
"$py" - "$tools" <<'PY'
import sys
path = sys.argv[1]
text = open(path, encoding="utf-8").read()
mark = "\nGenerated by tests/data/make-library-riff.sh"
if mark in text:
    start = text.index(mark)
    end = text.find("\n\n", start + 1)
    text = text[:start] + ("" if end < 0 else text[end:])
open(path, "w", encoding="utf-8").write(text)
PY
{
  echo
  echo "Generated by tests/data/make-library-riff.sh with these Debian packages:"
  dpkg-query -W -f '${Package} ${Version}\n' wavpack ffmpeg sox python3-mutagen kid3-cli
} >>"$tools"
