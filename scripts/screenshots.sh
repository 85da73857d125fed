#!/usr/bin/env bash
# Remakes the README's pictures in docs/ from the current build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[[ -f build/CMakeCache.txt ]] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target tidewriter-screenshots
QT_QPA_PLATFORM=offscreen build/bin/tidewriter-screenshots docs
