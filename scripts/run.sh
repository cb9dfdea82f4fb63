#!/usr/bin/env bash
# Sets up, builds and starts Tunaro (under Xvfb when there is no display).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release -G Ninja >/dev/null
cmake --build --preset release --target tunaro tunaro-cli
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display: starting the window under Xvfb."
  exec xvfb-run -a -s "-screen 0 1024x768x24" ./build/release/src/ui/tunaro "$@"
fi
exec ./build/release/src/ui/tunaro "$@"
