# What the make-library*.sh scripts share: the kinds of text every type is tagged with, the
# titles that carry the tagger's name, the name the program makes of a text, and the ways of
# running a tool and of adding an APEv2 tag.
import os
import subprocess

from mutagen.apev2 import APEv2


def run(*args):
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


# Artist and title of each kind of text. The long title is over 30 bytes, where ID3v1 cuts.
LONG = "Lengthy Title That Keeps Going On And On"
TEXTS = {
    "ascii": ("The Walkers", "Night Train"),
    "latin-beyonce": ("Beyoncé", "Déjà Vu"),
    "latin-sigur": ("Sigur Rós", "Hoppípolla"),
    "latin-motley": ("Mötley Crüe", "Dr. Feelgood"),
    "zh-hans": ("周杰伦", "简单爱"),
    "zh-hant": ("周杰倫", "簡單愛"),
    "japanese": ("宇多田ヒカル", "花束を君に"),
    "korean": ("아이유", "좋은 날"),
    "emoji": ("Daft Punk 🤖", "One More Time 🎉"),
    "punct": ("AC/DC", 'Q? "A/B" <C|D> *\\:'),
    "long": ("The Walkers", None),
    "control": ("Tab Band", "Tab\there"),
}
ALL = [k for k in TEXTS if k != "control"]

# The expected name of a file the program must decline (its tag names nothing).
DECLINED = "(declined)"


def title_of(kind, tagger):
    base = TEXTS[kind][1]
    return f"{tagger} {LONG}" if kind == "long" else f"{base} ({tagger})"


def quote(text):
    # kid3-cli commands take single-quoted values; a backslash escapes quotes and itself.
    return "'" + text.replace("\\", "\\\\").replace("'", "\\'") + "'"


ILLEGAL = {"/": " ", "|": " ", "*": " ", "?": " ", "\\": " ", ">": ")", "<": "(", ":": "-",
           '"': "'"}


def name_filter(text):
    return "".join(" " if ord(c) < 32 else ILLEGAL.get(c, c) for c in text)


def apev2_after(encode):
    # Makes a file with ENCODE(PATH), then mutagen adds an APEv2 tag at its end.
    def write(path, artist, title):
        encode(path)
        tag = APEv2()
        tag["Artist"] = artist
        tag["Title"] = title
        tag.save(path)
    return write


def replace_rows(out, taggers, rows):
    """Puts `rows` into out/EXPECTED.tsv in place of the rows of `taggers`, so that a script
    of one format can be run again without touching the others' rows."""
    path = os.path.join(out, "EXPECTED.tsv")
    with open(path, encoding="utf-8") as f:
        kept = [line for line in f if line.split("\t", 1)[0] not in taggers]
    with open(path, "w", encoding="utf-8") as f:
        f.writelines(kept)
        for row in rows:
            f.write("\t".join(row) + "\n")


def record_tools(out, script, packages):
    """Puts the versions of `packages` into out/TOOLS.txt as lines "SCRIPT: PACKAGE VERSION",
    in place of the lines an earlier run of `script` wrote there."""
    path = os.path.join(out, "TOOLS.txt")
    prefix = script + ": "
    with open(path, encoding="utf-8") as f:
        kept = [line for line in f if not line.startswith(prefix)]
    versions = subprocess.run(["dpkg-query", "-W", "-f", prefix + "${Package} ${Version}\n",
                               *packages], check=True, capture_output=True, text=True).stdout
    with open(path, "w", encoding="utf-8") as f:
        f.writelines(kept)
        f.write(versions)
