#!/usr/bin/python3
"""The mutagen peer of the rename benchmark: for every .mp3 file of a folder, read the ID3
tag (ID3v2, else ID3v1) with mutagen and rename the file to "artist - title.mp3" within its
folder, never replacing a file (hard link, then unlink).

Usage: mutagen_rename.py FOLDER; prints the number of files renamed."""
import os
import sys

from mutagen.id3 import ID3, ID3NoHeaderError


def text(tags, frame):
    f = tags.get(frame)
    return str(f.text[0]) if f is not None and f.text else ""


def main():
    folder = sys.argv[1]
    renamed = 0
    names = [e.name for e in os.scandir(folder) if e.is_file() and e.name.lower().endswith(".mp3")]
    for name in names:
        path = os.path.join(folder, name)
        try:
            tags = ID3(path)  # reads ID3v2, and ID3v1 when there is no ID3v2
        except ID3NoHeaderError:
            continue
        except Exception:
            continue
        new = (text(tags, "TPE1") + " - " + text(tags, "TIT2")).replace("/", " ") + name[-4:]
        target = os.path.join(folder, new)
        try:
            os.link(path, target)
            os.unlink(path)
            renamed += 1
        except OSError:
            pass
    print(renamed)


if __name__ == "__main__":
    main()
