#!/usr/bin/env bash
# Configures (first time) and builds everything into build/.
# With --if-changed (./run) it builds only when a source of the program changed
# since the last build, so a start with nothing to do takes no time here.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

"$root/scripts/ensure-packages.sh"
stamp="$root/build/.built"
if [ "${1:-}" = "--if-changed" ] && [ -f "$stamp" ] && [ -f "$root/build/build.ninja" ] \
  && [ -z "$(find "$root/src" "$root/vcoupler" "$root/resources" "$root/CMakeLists.txt" -newer "$stamp" -print -quit)" ]; then
  exit 0
fi
mkdir -p "$root/build"
touch "$stamp.next" # taken before the build: a file changed during it counts as changed
if [ ! -f "$root/build/build.ninja" ]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$root/build" -j"$(nproc)"
mv "$stamp.next" "$stamp"
