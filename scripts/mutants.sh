#!/usr/bin/env bash
# Shows that the test suite catches small faults: applies each fault of a list alone to a source
# file, rebuilds incrementally, runs the tests until the first failure and restores the file.
#
#   scripts/mutants.sh [-b BUILD_DIR] [-l LIST] [-o NAME_REGEX]
#
# BUILD_DIR (default: build) must already be configured. Each line of LIST (default:
# scripts/mutants.list) is "name<TAB>file<TAB>text<TAB>replacement"; the text must occur exactly
# once in the file, or the fault is reported stale. A fault that does not compile is reported
# broken. Neither counts in the total. Exits non-zero when a fault slips through.
set -uo pipefail
cd "$(dirname "$0")/.."

build=build
list=scripts/mutants.list
only=.
while getopts "b:l:o:" opt; do
    case $opt in
        b) build=$OPTARG ;;
        l) list=$OPTARG ;;
        o) only=$OPTARG ;;
        *) exit 2 ;;
    esac
done
[[ -f $build/build.ninja || -f $build/Makefile ]] || { echo "configure $build first" >&2; exit 2; }

work=$(mktemp -d)
current=""
restore() {
    # A fresh modification time, so the next build compiles the original again (from ccache).
    if [[ -n $current ]]; then cat "$work/original" >"$current"; current=""; fi
}
trap 'restore; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM

jobs=${MUTANT_JOBS:-2}
echo "building the unchanged sources"
cmake --build "$build" -j "$jobs" >"$work/log" 2>&1 || { cat "$work/log"; exit 2; }

total=0
caught=0
missed=()
skipped=()
while IFS=$'\t' read -r -u 3 name file text replacement; do
    [[ -z $name || $name == \#* ]] && continue
    [[ $name =~ $only ]] || continue
    occurrences=0
    [[ -f $file ]] && occurrences=$(FIND="$text" python3 -c \
        'import os,sys; print(open(sys.argv[1]).read().count(os.environ["FIND"]))' "$file")
    if [[ $occurrences != 1 ]]; then
        echo "stale    $name ($file: text found $occurrences times)"
        skipped+=("$name")
        continue
    fi
    cp "$file" "$work/original"
    current=$file
    FIND="$text" REPLACE="$replacement" python3 -c '
import os, sys
path = sys.argv[1]
text = open(path).read()
open(path, "w").write(text.replace(os.environ["FIND"], os.environ["REPLACE"], 1))' "$file"
    start=$SECONDS
    if ! cmake --build "$build" -j "$jobs" >"$work/log" 2>&1; then
        restore
        echo "broken   $name (does not compile)"
        skipped+=("$name")
        continue
    fi
    ctest --test-dir "$build" -j "$jobs" --stop-on-failure --timeout 300 >"$work/log" 2>&1
    status=$?
    restore
    total=$((total + 1))
    if [[ $status -ne 0 ]]; then
        caught=$((caught + 1))
        by=$(sed -n '/tests FAILED:/,$p' "$work/log" | grep -m1 -oE ' - [^ ]+' | cut -c4-)
        echo "caught   $name by ${by:-the suite} ($((SECONDS - start)) s)"
    else
        missed+=("$name")
        echo "MISSED   $name ($((SECONDS - start)) s)"
    fi
done 3<"$list"

echo "rebuilding the unchanged sources"
cmake --build "$build" -j "$jobs" >"$work/log" 2>&1 || cat "$work/log"
echo "caught $caught of $total"
((${#skipped[@]})) && echo "not run (stale or broken): ${skipped[*]}"
((${#missed[@]})) && echo "missed: ${missed[*]}"
[[ $caught -eq $total ]]
