#!/usr/bin/env bash
# Installs the Debian packages Tidewriter needs to build, test and show Japanese text,
# and only those that are missing, so a machine that has them all is left untouched.
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config qt6-base-dev qt6-serialport-dev qt6-translations-l10n libgl-dev libsqlite3-dev
          fonts-ipafont-gothic xvfb xauth python3 poppler-utils
          qt6-svg-dev desktop-file-utils appstream groff-base dpkg-dev file)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  echo "install-deps: all packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
as_root=()
if ((EUID != 0)); then
  if ! command -v sudo >/dev/null; then
    echo "install-deps: not root and sudo is missing; install as root: ${missing[*]}" >&2
    exit 1
  fi
  as_root=(sudo)
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
