#!/bin/sh
# Starts the window under a virtual X server on a folder of 20000 files, named on the command
# line, and saves a picture of the screen: the five-digit count and the group boxes (default:
# docs/screenshot-counts.png).
# Usage: scripts/screenshot-counts.sh [output.png]   (TUNARO_BIN picks another build)
set -eu
default_out=docs/screenshot-counts.png
. "$(dirname "$0")/screenshot-common.sh"
mkdir -p "$home/Music/Collection"
(cd "$home/Music/Collection" && seq -f 'Track %05g.mp3' 1 20000 | tr '\n' '\0' | xargs -0 touch)

cat > "$home/run.sh" <<SCRIPT
#!/bin/sh
HOME='$home' XDG_CONFIG_HOME='$home/.config' '$bin' '$home/Music/Collection' &
pid=\$!
sleep 6
import -window root '$out'
kill \$pid
SCRIPT
chmod +x "$home/run.sh"
xvfb-run -a -s "-screen 0 720x440x24" "$home/run.sh"
echo "saved $out"
