#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run TD4700, when any is missing.
# Once all are there, build/.packages-installed remembers it and later runs skip the check.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  qt6-base-dev qt6-serialport-dev qt6-qpa-plugins libpugixml-dev
  qt6-translations-l10n
  xvfb xauth fonts-dejavu-core
)

stamp="$root/build/.packages-installed"
if [ -f "$stamp" ] && read -r checked < "$stamp" && [ "$checked" = "${packages[*]}" ]; then
  exit 0
fi
remember() { mkdir -p "$root/build" && echo "${packages[*]}" > "$stamp"; }

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && { remember; exit 0; }

echo "Installing missing packages: ${missing[*]}"
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo)
"${sudo[@]}" apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
remember
