#!/usr/bin/env bash
# Builds the engine's plain path alone (no vector registers, as on a processor without SSE2 or
# NEON) and checks it: the exactness tests against the reference voice and chain, and the plugin
# driven through its VST 2 interface.
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs=$(nproc)
cmake -S . -B build-plain -G Ninja -DCMAKE_BUILD_TYPE=Release -DSORVELLA_PLAIN_PATH=ON \
    -DSORVELLA_BENCH=OFF -DSORVELLA_TOOLS=OFF -DSORVELLA_GUI=OFF >/dev/null
cmake --build build-plain -j "$jobs" --target sorvella_unit_tests sorvella_plugin_tests
export SORVELLA_TEST_TMP=$PWD/build-plain/tmp
mkdir -p "$SORVELLA_TEST_TMP"
build-plain/tests/sorvella_unit_tests --gtest_filter='*Exact*' --gtest_brief=1
build-plain/tests/plugin/sorvella_plugin_tests --gtest_brief=1
