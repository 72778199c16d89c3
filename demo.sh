#!/usr/bin/env bash
# Builds Sorvella and renders the demo song to out/demo.wav with the offline renderer, played by
# program 0 of the factory bank ("Choir Aah"). Extra arguments go to sorvella-render and win over
# these (for example --program 2 for "Vowel Lead").
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target sorvella sorvella-render
mkdir -p out
build/tools/sorvella-render demo/demo.mid -o out/demo.wav \
    --bank presets/factory/factory.fxb --program 0 "$@"
echo "Rendered out/demo.wav"
