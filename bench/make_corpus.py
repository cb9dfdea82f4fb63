#!/usr/bin/python3
"""Makes N tagged MP3 files for the rename benchmark: every tenth file has only an ID3v2.3
tag, the others an ID3v1.1 tag; all tags differ, so every file gets its own new name.

Usage: make_corpus.py N FOLDER [--subfolders K]
With --subfolders the files are spread over K subfolders (for the recursive scan)."""
import argparse
import os
import struct

# One MPEG-1 Layer III frame header (128 kbit/s, 44.1 kHz) and silence: 417 bytes.
FRAME = b"\xff\xfb\x90\x64" + bytes(413)


def id3v1(title, artist, album, year, comment, track, genre=12):
    def field(s, n):
        return s.encode("latin-1")[:n].ljust(n, b"\0")
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(album, 30) + field(year, 4) +
            field(comment, 28) + b"\0" + bytes([track]) + bytes([genre]))


def id3v23(title, artist, album, track):
    def frame(fid, text):
        body = b"\0" + text.encode("latin-1")
        return fid + struct.pack(">I", len(body)) + b"\0\0" + body
    frames = (frame(b"TIT2", title) + frame(b"TPE1", artist) + frame(b"TALB", album) +
              frame(b"TRCK", str(track)))
    size = len(frames)
    syncsafe = bytes([(size >> 21) & 0x7F, (size >> 14) & 0x7F, (size >> 7) & 0x7F, size & 0x7F])
    return b"ID3\x03\x00\x00" + syncsafe + frames


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("n", type=int)
    parser.add_argument("folder")
    parser.add_argument("--subfolders", type=int, default=0)
    args = parser.parse_args()
    os.makedirs(args.folder, exist_ok=True)
    for i in range(args.n):
        sub = args.folder
        if args.subfolders:
            sub = os.path.join(args.folder, "cd%03d" % (i % args.subfolders))
            os.makedirs(sub, exist_ok=True)
        title, artist, album = "Title %06d" % i, "Artist %03d" % (i % 997), "Album %03d" % (i % 101)
        if i % 10 == 9:
            data = id3v23(title, artist, album, i % 99 + 1) + FRAME
        else:
            data = FRAME + id3v1(title, artist, album, "2002", "bench", i % 99 + 1)
        fd = os.open(os.path.join(sub, "track%06d.mp3" % i), os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        os.write(fd, data)
        os.close(fd)


if __name__ == "__main__":
    main()
