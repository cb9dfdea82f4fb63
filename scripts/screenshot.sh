#!/bin/sh
# Starts the window under a virtual X server, with a made-up home folder whose desktop holds a
# few audio files, and saves a picture of the screen (default: docs/screenshot.png).
# Usage: scripts/screenshot.sh [output.png]   (TUNARO_BIN picks another build of the program)
set -eu
default_out=docs/screenshot.png
. "$(dirname "$0")/screenshot-common.sh"
mkdir -p "$home/Desktop/专辑" "$home/Music" "$home/Documents"
for name in "周华健 - 朋友" "Beyond - 海阔天空" "王菲 - 红豆" "齐秦 - 外面的世界" \
  "Track01" "Track02" "罗大佑 - 光阴的故事 (1982 live version, remastered)" "张学友 - 吻别"; do
  printf 'ID3' > "$home/Desktop/$name.mp3"
done

cat > "$home/run.sh" <<SCRIPT
#!/bin/sh
HOME='$home' XDG_CONFIG_HOME='$home/.config' '$bin' &
pid=\$!
sleep 4
import -window root '$out'
kill \$pid
SCRIPT
chmod +x "$home/run.sh"
xvfb-run -a -s "-screen 0 720x440x24" "$home/run.sh"
echo "saved $out"
