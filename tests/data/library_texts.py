"""The tag texts of the library (tests/data/library/) and the rules of its expected names,
shared by the scripts that make it: make-library.sh and the make-library-*.sh of the newer
formats."""
import os
import subprocess


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


ILLEGAL = {"/": " ", "|": " ", "*": " ", "?": " ", "\\": " ", ">": ")", "<": "(", ":": "-",
           '"': "'"}


def name_filter(text):
    return "".join(" " if ord(c) < 32 else ILLEGAL.get(c, c) for c in text)


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
