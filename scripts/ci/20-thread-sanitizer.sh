#!/usr/bin/env bash
# Builds the plugin and the tests that drive one instrument from several threads with
# ThreadSanitizer, and runs them: host threads against the audio thread through the VST 2
# interface, the editor's hand-over from host and audio threads to the window's thread, and the
# editor window of the loaded plugin under Xvfb while other threads set parameters and render.
# Any report of a race fails the run.
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs=$(nproc)
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSORVELLA_TSAN=ON \
    -DSORVELLA_BENCH=OFF -DSORVELLA_TOOLS=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target sorvella sorvella_plugin_tests sorvella_editor_model_tests \
    sorvella_editor_window_tests
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
build-tsan/tests/plugin/sorvella_plugin_tests --gtest_filter='*Threads*' --gtest_brief=1
build-tsan/tests/sorvella_editor_model_tests --gtest_filter='EditorMailbox.*:EditorThreads.*' \
    --gtest_brief=1
build-tsan/tests/editor/sorvella_editor_window_tests --gtest_brief=1
