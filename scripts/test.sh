#!/usr/bin/env bash
# Sets up, builds and runs every test: the release build, then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
jobs=$(nproc)

echo "== format check"
if command -v clang-format >/dev/null; then
  files=$(git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp' 2>/dev/null || true)
  if [[ -n "$files" ]] && ! clang-format --dry-run --Werror $files 2>/dev/null; then
    echo "clang-format: some files are not formatted (run clang-format -i)"; exit 1
  fi
fi

for preset in release asan; do
  echo "== $preset"
  cmake --preset "$preset" -G Ninja >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
