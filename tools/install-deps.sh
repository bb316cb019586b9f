#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the program, the Debian package
# and the tests need, when any is missing. With --dev also the tools used to regenerate resources
# and to measure (xplanet, imagemagick, rsvg-convert, ETOPO grids).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev fonts-dejavu-core
  libfluidsynth-dev fluid-soundfont-gm libasound2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-pyftpdlib xinetd curl openssl ca-certificates
  xvfb xauth desktop-file-utils
  dpkg-dev lintian lowdown appstream man-db
)
if [[ "${1:-}" == "--dev" ]]; then
  packages+=(imagemagick xplanet ferret-datasets python3-numpy python3-scipy x11-utils xdotool hyperfine librsvg2-bin)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
((${#missing[@]} == 0)) && exit 0

echo "Installing: ${missing[*]}"
sudo=()
((EUID == 0)) || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
