#!/usr/bin/env bash
# Cross-builds the instrument and its unit tests for 64-bit ARM (the engine's NEON path) with
# Debian's cross compiler, GoogleTest built from the sources libgtest-dev ships, and runs the
# exactness tests against the reference voice and chain under qemu-aarch64.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/install-deps.sh g++-aarch64-linux-gnu qemu-user
jobs=$(nproc)
cmake -S . -B build-aarch64 -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DSORVELLA_GTEST_SOURCES=/usr/src/googletest \
    -DSORVELLA_BENCH=OFF -DSORVELLA_TOOLS=OFF -DSORVELLA_GUI=OFF >/dev/null
cmake --build build-aarch64 -j "$jobs" --target sorvella_unit_tests
qemu-aarch64 -L /usr/aarch64-linux-gnu build-aarch64/tests/sorvella_unit_tests \
    --gtest_filter='*Exact*' --gtest_brief=1
