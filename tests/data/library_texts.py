"""What the scripts that make library/ share: the kinds of text they tag files with, the
titles they give, and the names the program should make of them."""
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


def title_of(kind, tagger):
    base = TEXTS[kind][1]
    return f"{tagger} {LONG}" if kind == "long" else f"{base} ({tagger})"


ILLEGAL = {"/": " ", "|": " ", "*": " ", "?": " ", "\\": " ", ">": ")", "<": "(", ":": "-",
           '"': "'"}


def name_filter(text):
    return "".join(" " if ord(c) < 32 else ILLEGAL.get(c, c) for c in text)
