#!/usr/bin/env bash
# Installs the system packages Sorvella builds and tests with, when any are missing.
# Debian and Ubuntu (apt-get); through sudo when not run as root.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config binutils libgtest-dev libbenchmark-dev)
# The renderer's audio file formats.
packages+=(libsndfile1-dev)
# The widget toolkit and the skin painter: cairo, FreeType and Xlib, the embedded typeface, and
# the X server and input tool the window tests run under.
packages+=(libcairo2-dev libfreetype-dev libx11-dev fonts-liberation2 xvfb xdotool)
# The standalone program's devices, and the JACK server and tools its end-to-end check runs on,
# with xwininfo and xprop to look at its windows.
packages+=(librtaudio-dev librtmidi-dev jackd2 x11-utils)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
    echo "Sorvella: this system has no apt-get. Install these packages (or their equivalents) yourself: ${missing[*]}" >&2
    exit 1
fi
as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        echo "Sorvella: installing ${missing[*]} needs root, and sudo is not available." >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "Sorvella: installing ${missing[*]}" >&2
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
