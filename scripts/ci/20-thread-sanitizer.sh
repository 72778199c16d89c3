#!/usr/bin/env bash
# Builds the plugin and its host-side tests with ThreadSanitizer and runs the tests that drive
# one instance from several threads at once. Any report of a race fails the run.
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs=$(nproc)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVELLA_TSAN=ON \
    -DSORVELLA_BENCH=OFF -DSORVELLA_TOOLS=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target sorvella_plugin_tests
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    build-tsan/tests/plugin/sorvella_plugin_tests --gtest_filter='*Threads*'
