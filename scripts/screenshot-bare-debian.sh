#!/bin/sh
# Installs a package of Tunaro on a bare Debian 12 (a debootstrap minbase system, nothing
# else), as a user would with apt-get, starts the window there under a virtual X server on
# a made-up home folder whose folder names hold Chinese and emoji, and saves a picture of
# the screen (default: docs/screenshot-bare-debian.png). Only the X server and xwd are added
# to take it; the fonts are what the package brings.
# Usage: sudo scripts/screenshot-bare-debian.sh tunaro_*.deb [output.png]
# Needs root, debootstrap and ImageMagick's convert; APT_OPTIONS is passed to the install
# (e.g. "--no-install-recommends fonts-wqy-microhei" to try another font of the choice).
set -eu
deb=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${2:-$root/docs/screenshot-bare-debian.png}")
system=$(mktemp -d)
chmod 755 "$system"  # apt's own user reads its downloads there
cleanup() {
  for m in dev sys proc; do umount -R "$system/$m" 2>/dev/null || true; done
  rm -rf "$system"
}
trap cleanup EXIT
debootstrap --variant=minbase bookworm "$system" http://deb.debian.org/debian >/dev/null
mount -t proc proc "$system/proc"
mount --rbind /sys "$system/sys"
mount --rbind /dev "$system/dev"
cp /etc/resolv.conf "$system/etc/resolv.conf"
cp "$deb" "$system/root/"

cat > "$system/root/shot.sh" <<'SCRIPT'
set -eu
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq $APT_OPTIONS /root/tunaro_*.deb >/dev/null
apt-get install -y -qq --no-install-recommends xvfb xauth x11-apps >/dev/null
dpkg-query -W -f '${db:Status-Abbrev} ${Package} ${Version}\n' 'fonts-*' qt6-translations-l10n |
  sed -n 's/^ii  //p'
home=/home/li
music="$home/🎵 音乐"
mkdir -p "$home/Desktop" "$home/.config" "$home/🎸 摇滚" "$music/专辑"
printf 'XDG_DESKTOP_DIR="$HOME/Desktop"\n' > "$home/.config/user-dirs.dirs"
for name in "周华健 - 朋友" "Beyond - 海阔天空" "王菲 - 红豆" "齐秦 - 外面的世界" "Track01" \
  "张学友 - 吻别"; do
  printf 'ID3' > "$music/$name.mp3"
done
HOME=$home xvfb-run -a -s "-screen 0 720x440x24" sh -c \
  'tunaro "$0" & pid=$!; sleep 6; xwd -root -silent > /root/shot.xwd; kill $pid' "$music"
SCRIPT
chroot "$system" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin APT_OPTIONS="${APT_OPTIONS:-}" \
  sh /root/shot.sh 2>&1 | { grep -v XDG_RUNTIME_DIR || true; }
convert "$system/root/shot.xwd" "$out"
echo "saved $out"
