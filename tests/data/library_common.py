# What the make-library*.sh scripts share: the kinds of text every type is tagged with, the
# titles that carry the tagger's name, the name the program makes of a text, and the ways of
# running a tool and of adding an APEv2 tag.
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
