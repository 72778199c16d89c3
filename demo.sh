#!/usr/bin/env bash
# Builds Sorvella and renders the demo song to out/demo.wav with the offline renderer.
# Extra arguments go to sorvella-render (for example --program 3).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target sorvella sorvella-render
mkdir -p out
build/tools/sorvella-render demo/demo.mid -o out/demo.wav "$@"
echo "Rendered out/demo.wav"
