# Sourced by the screenshot scripts, after they set default_out (relative to the project):
# finds the program (TUNARO_BIN picks another build), takes the output from the first
# argument, and makes a home folder whose desktop is $home/Desktop, removed on exit.
root=$(cd "$(dirname "$0")/.." && pwd)
bin=${TUNARO_BIN:-$root/build/gui/src/ui/tunaro}
out=${1:-$root/$default_out}
case $out in /*) ;; *) out=$(pwd)/$out ;; esac
[ -x "$bin" ] || { echo "no program at $bin (build the target tunaro first)" >&2; exit 1; }

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/Desktop" "$home/.config"
printf 'XDG_DESKTOP_DIR="$HOME/Desktop"\n' > "$home/.config/user-dirs.dirs"
