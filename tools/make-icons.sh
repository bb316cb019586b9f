#!/usr/bin/env bash
# Renders the application icon resources/desktop/orvane.svg to the PNG sizes
# the desktop's icon theme uses. Needs rsvg-convert (librsvg2-bin, installed
# by tools/install-deps.sh --dev). The PNGs are kept in the tree, so a build
# does not need it.
set -euo pipefail
cd "$(dirname "$0")/../resources/desktop"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" orvane.svg -o "icons/${size}x${size}/orvane.png"
done
