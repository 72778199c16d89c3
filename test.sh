#!/usr/bin/env bash
# Builds Sorvella and runs its test suite. The longer checks (sanitizers and the rest) are the
# scripts in scripts/ci/, which .ci/run runs after this one. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"
