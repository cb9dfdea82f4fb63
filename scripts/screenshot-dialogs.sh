#!/bin/sh
# Starts the window under a virtual X server with a window manager, on a made-up desktop folder
# of tagged MP3 files of which some cannot be renamed, and saves three pictures: the preview
# with its failing rows marked, the failures the run then shows, and the undo of that run,
# with one line that cannot be done (default: docs/screenshot-preview.png,
# docs/screenshot-results.png and docs/screenshot-undo.png).
# Usage: scripts/screenshot-dialogs.sh [output folder]   (TUNARO_BIN picks another build)
# Needs xvfb-run, openbox, xdotool, python3 and ImageMagick's import.
set -eu
default_out=docs
. "$(dirname "$0")/screenshot-common.sh"
# ID3v1 tags in GBK: two files with the same tag, one whose name is already there, one
# without a tag and one whose tag is empty.
python3 - "$home/Desktop" <<'PY'
import sys
def mp3(name, artist=None, title=None):
    data = b"\xff\xfb\x90\x00" * 16
    if artist is not None:
        field = lambda t: t.encode("gbk")[:30].ljust(30, b"\0")
        data += b"TAG" + field(title) + field(artist) + field("") + b"2002" + field("") + b"\xff"
    open(sys.argv[1] + "/" + name, "wb").write(data)
mp3("track01.mp3", "Beyond", "海阔天空")
mp3("track02.mp3", "Beyond", "海阔天空")
mp3("track03.mp3", "王菲", "红豆")
mp3("track04.mp3")
mp3("track05.mp3", "", "")
mp3("track06.mp3", "张学友", "吻别")
mp3("track07.mp3", "周华健", "朋友")
mp3("王菲 - 红豆.mp3", "王菲", "红豆")
PY

cat > "$home/run.sh" <<SCRIPT
#!/bin/sh
openbox &
sleep 1
HOME='$home' XDG_CONFIG_HOME='$home/.config' '$bin' &
pid=\$!
xdotool search --sync --name 'Tunaro Ver' windowactivate --sync
sleep 2
key() { xdotool key --delay 300 "\$@"; sleep 1; }
# Select all, then the options menu's preview.
key alt+a
key alt+o v
sleep 1
import -window root '$out/screenshot-preview.png'
key Escape
# The undo list on, the run and the failures it shows, one old name taken again, then the
# undo of the newest list.
key alt+o s u
key alt+r
sleep 1
import -window root '$out/screenshot-results.png'
key Return
printf 'x' > '$home/Desktop/track06.mp3'
key alt+o z
sleep 2
key Return
sleep 1
import -window root '$out/screenshot-undo.png'
key Escape
kill \$pid
SCRIPT
chmod +x "$home/run.sh"
xvfb-run -a -s "-screen 0 900x620x24" "$home/run.sh"
echo "saved $out/screenshot-preview.png, $out/screenshot-results.png and $out/screenshot-undo.png"
