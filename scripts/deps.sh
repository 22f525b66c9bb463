#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when any is missing.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev
          libgtest-dev libgmock-dev googletest libbenchmark-dev
          xvfb xauth xdotool x11-utils imagemagick fonts-dejavu-core)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
