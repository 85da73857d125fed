#!/usr/bin/env bash
# Remakes the README's pictures in docs/ and the user guide's in resources/help/images/
# from the current build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
[[ -f build/CMakeCache.txt ]] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target tidewriter-screenshots
QT_QPA_PLATFORM=offscreen build/bin/tidewriter-screenshots docs
# The guide shows the same pictures; they are installed with it.
mkdir -p resources/help/images
for shot in list-window record-comment record-conditions record-equipment record-dive-data record-graph \
            record-files profile-chart calculator transfer options-1 options-2 page-setup print-organizer print-a5; do
  cp "docs/$shot.png" resources/help/images/
done
