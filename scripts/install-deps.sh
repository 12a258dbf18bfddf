#!/usr/bin/env bash
# Installs the Debian 12 packages Drovalin needs to build, run and test, skipping what is already there.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    libisofs-dev liburing-dev xorriso
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-ipafont-gothic qt6-translations-l10n
    desktop-file-utils appstream
    xvfb xauth xdotool x11-utils libx11-dev twm
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
