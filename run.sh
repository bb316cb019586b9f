#!/usr/bin/env bash
# Installs what is missing, builds if needed and starts Orvane ++.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target orvane orvane-cli
exec ./build/src/app/orvane
