#!/bin/sh
# Starts the window under a virtual X server, with a made-up home folder whose desktop holds a
# few audio files, and saves a picture of the screen (default: docs/screenshot.png).
# Usage: scripts/screenshot.sh [output.png]   (TUNARO_BIN picks another build of the program)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${TUNARO_BIN:-$root/build/gui/src/ui/tunaro}
out=${1:-$root/docs/screenshot.png}
case $out in /*) ;; *) out=$(pwd)/$out ;; esac
[ -x "$bin" ] || { echo "no program at $bin (build the target tunaro first)" >&2; exit 1; }

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/Desktop/专辑" "$home/Music" "$home/Documents" "$home/.config"
printf 'XDG_DESKTOP_DIR="$HOME/Desktop"\n' > "$home/.config/user-dirs.dirs"
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
