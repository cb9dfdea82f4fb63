#!/bin/sh
# Starts the window under a virtual X server with a window manager, with no LANG set, and saves
# what the window shows of names, code pages, Qt's own dialogs and the desktop folder:
#   screenshot-bytes.png       a folder whose name is GBK, no UTF-8, chosen in the tree
#   screenshot-emoji.png       the preview of names with emoji
#   screenshot-codepage.png    处理设置 → 标签编码
#   screenshot-file-dialog.png the undo file dialog, in Chinese (sizes, types, dates)
#   screenshot-undo-done.png   the box after an undo, its caption whole
#   screenshot-no-desktop-preview.png, screenshot-no-desktop.png
#                              the undo list on where the desktop folder cannot be made: the
#                              preview says so, and the run says it before any file is touched
# (default folder: docs). Usage: scripts/screenshot-window.sh [output folder]
# (TUNARO_BIN picks another build). Needs xvfb-run, openbox, xdotool, python3, ImageMagick's
# import and fonts-noto-color-emoji.
set -eu
default_out=docs
. "$(dirname "$0")/screenshot-common.sh"
# Tagged MP3 files (ID3v2.3, UTF-16 texts, so emoji stay), one inside a folder whose name is
# the GBK bytes of 音乐; and a second home whose desktop folder is a file.
python3 - "$home" <<'PY'
import os, sys
home = sys.argv[1]
def mp3(path, artist, title):
    frames = b""
    for key, text in ((b"TPE1", artist), (b"TIT2", title)):
        data = b"\x01" + text.encode("utf-16")
        frames += key + len(data).to_bytes(4, "big") + b"\0\0" + data
    size = bytes((len(frames) >> s) & 0x7F for s in (21, 14, 7, 0))
    open(path, "wb").write(b"ID3\x03\0\0" + size + frames + b"\xff\xfb\x90\x00" * 16)
desktop = home.encode() + b"/Desktop"
os.makedirs(desktop + b"/\xd2\xf4\xc0\xd6")
mp3(desktop + b"/\xd2\xf4\xc0\xd6/01.mp3", "王菲", "红豆")
mp3(desktop + "/🎵 01.mp3".encode(), "周杰伦", "夜曲 🎵")
mp3(desktop + "/😀 02.mp3".encode(), "Beyond", "海阔天空 😀")
os.makedirs(home + "/other/.config")
open(home + "/other/Desktop", "w").write("a file where the desktop folder should be")
os.makedirs(home + "/other/music")
mp3(home + "/other/music/01.mp3", "张学友", "吻别")
PY
# The file dialog in its detail view, as a user who once switched to it has it.
printf '[FileDialog]\nviewMode=Detail\n' > "$home/.config/QtProject.conf"

cat > "$home/run.sh" <<SCRIPT
#!/bin/sh
unset LANG LANGUAGE LC_ALL LC_MESSAGES
openbox &
sleep 1
key() { xdotool key --delay 300 "\$@"; sleep 1; }
HOME='$home' XDG_CONFIG_HOME='$home/.config' '$bin' &
pid=\$!
xdotool search --sync --name 'Tunaro Ver' windowactivate --sync
sleep 2
# The tree opens the desktop folder: its GBK-named subfolder shows decoded, and lists its file.
key alt+d Right Down
import -window root '$out/screenshot-bytes.png'
key Up
key alt+a
key alt+o v
import -window root '$out/screenshot-emoji.png'
key Escape
key alt+o s c
import -window root '$out/screenshot-codepage.png'
key Escape Escape Escape
# A run with the undo list on, then its undo: the file dialog, the plan, the box after it.
key alt+o s u
key alt+r
sleep 1
key alt+o z
sleep 2
import -window root '$out/screenshot-file-dialog.png'
key Return
sleep 1
key Tab space
sleep 1
import -window root '$out/screenshot-undo-done.png'
key Return
kill \$pid
sleep 1
# A home whose desktop folder is a file: the run says so and renames nothing.
HOME='$home/other' XDG_CONFIG_HOME='$home/other/.config' '$bin' '$home/other/music' &
pid=\$!
xdotool search --sync --name 'Tunaro Ver' windowactivate --sync
sleep 2
key alt+a
key alt+o s u
key alt+o v
import -window root '$out/screenshot-no-desktop-preview.png'
key Escape
key alt+r
sleep 1
import -window root '$out/screenshot-no-desktop.png'
key Return
kill \$pid
SCRIPT
chmod +x "$home/run.sh"
env -u LANG -u LANGUAGE -u LC_ALL xvfb-run -a -s "-screen 0 900x620x24" "$home/run.sh"
echo "saved $out/screenshot-{bytes,emoji,codepage,file-dialog,undo-done,no-desktop-preview,no-desktop}.png"
