#!/bin/sh
# Starts the window under a virtual X server on a made-up desktop folder holding files with
# long names, rests the pointer on a long entry of the file list and saves a picture of the
# screen with its hint showing (default: docs/screenshot-hint.png).
# Usage: scripts/screenshot-hint.sh [output.png]   (TUNARO_BIN picks another build)
# Needs xvfb-run, xdotool and ImageMagick's import.
set -eu
default_out=docs/screenshot-hint.png
. "$(dirname "$0")/screenshot-common.sh"
for name in "Track01" "罗大佑 - 光阴的故事 (1982 live version, remastered)" \
  "The Very Long Band Name - An Even Longer Song Title (Extended Mix)" "张学友 - 吻别"; do
  printf 'ID3' > "$home/Desktop/$name.mp3"
done

cat > "$home/run.sh" <<SCRIPT
#!/bin/sh
HOME='$home' XDG_CONFIG_HOME='$home/.config' '$bin' &
pid=\$!
sleep 4
# The file list sits at 168, 64 in the window, rows 12 pixels high; the third row is long.
eval \$(xdotool search --sync --name 'Tunaro Ver' getwindowgeometry --shell | tail -n 6)
xdotool mousemove \$((X + 200)) \$((Y + 64 + 2 + 2 * 12 + 4))
sleep 0.5
xdotool mousemove \$((X + 210)) \$((Y + 64 + 2 + 2 * 12 + 5))
sleep 1
import -window root '$out'
kill \$pid
SCRIPT
chmod +x "$home/run.sh"
xvfb-run -a -s "-screen 0 720x440x24" "$home/run.sh"
echo "saved $out"
