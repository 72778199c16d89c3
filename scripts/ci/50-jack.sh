#!/usr/bin/env bash
# The standalone program end to end on a private JACK server with the dummy driver: jack_midiseq
# plays a note into its MIDI input, jack_rec records its output, and the recording's pitch and
# level are checked; a second start exits 0 and leaves the first running; SIGTERM ends it with
# exit code 0. Everything started here is stopped here.
#
# With SORVELLA_XRUN_SECONDS=N it measures instead: at a 64-frame period with 32 voices sounding
# (SORVELLA_XRUN_NOTES to change), the xruns JACK reports over N seconds, and how many of them
# name Sorvella's client as late. A benchmark figure, never a pass or fail.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${SORVELLA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target sorvella-standalone wav_probe midi_hold >/dev/null
program=$PWD/$build/standalone/sorvella-standalone
probe=$PWD/$build/tests/standalone/wav_probe
hold=$PWD/$build/tests/standalone/midi_hold

work=$(mktemp -d "${TMPDIR:-/tmp}/sorvella-jack-XXXXXX")
export JACK_DEFAULT_SERVER="sorvella-e2e-$$"
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$XDG_CONFIG_HOME/Kestrane" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

pids=()
stop_all() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    pids=()
}
fail() {
    for log in "$work"/*.log; do
        echo "--- ${log##*/}" >&2
        grep -v '^ALSA lib' "$log" | tail -n 20 >&2 || true
    done
    echo "50-jack: $*" >&2
    exit 1
}
trap 'stop_all; rm -rf "$work"' EXIT

# Waits up to 10 s for a JACK port (or, with -c, a connection listed under it).
wait_for_port() {
    for _ in $(seq 100); do
        jack_lsp "$@" 2>/dev/null | grep -qF -- "${*: -1}" && return 0
        sleep 0.1
    done
    fail "no JACK port $*"
}

# The number sorvella-standalone lists a device under: index_of SECTION TEXT.
index_of() {
    "$program" --list-devices 2>/dev/null |
        awk -v section="$1" -v text="$2" '/^[A-Z]/ { current = $0; next }
            current == section && index($0, text) { print $1; exit }'
}

start_jack() {
    jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 44100 -p "$1" >"$work/jackd.log" 2>&1 &
    pids+=($!)
    jack_wait -w -t 10 >/dev/null 2>&1 || fail "the JACK server did not start"
}

# settings AUDIO_INDEX MIDI_IN_INDEX [midicfg]
write_settings() {
    {
        echo "audioDevice=$1"
        echo "midiInDevice=$2"
        echo "inputChannel=-1"
        echo "outputChannel=-1"
        echo "latency=50"
        echo "sampleRate=44100"
        if [ -n "${3:-}" ]; then echo "midicfg=$3"; fi
    } >"$XDG_CONFIG_HOME/Kestrane/Sorvella.conf"
}

start_program() {
    "$program" >"$work/standalone.log" 2>&1 &
    standalone=$!
    pids+=($standalone)
    wait_for_port "Sorvella:outport 1"
}

# Ends the program with SIGTERM and checks that it leaves with 0 within 10 s.
stop_program() {
    kill -TERM "$standalone"
    for _ in $(seq 100); do
        kill -0 "$standalone" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$standalone" 2>/dev/null && fail "sorvella-standalone did not end on SIGTERM"
    local code=0
    wait "$standalone" || code=$?
    [ "$code" -eq 0 ] || fail "sorvella-standalone ended with $code"
    unset 'pids[${#pids[@]}-1]'
}

if [ -z "${SORVELLA_XRUN_SECONDS:-}" ]; then
    start_jack 256
    # Note 69, which the default program sounds at 220 Hz, for 0.75 s of every second.
    jack_midiseq sorvella-e2e-seq 44100 0 69 33075 >"$work/seq.log" 2>&1 &
    pids+=($!)
    wait_for_port "sorvella-e2e-seq:out"

    audio=$(index_of "Audio devices:" "JACK: system")
    midi=$(index_of "MIDI input ports:" "sorvella-e2e-seq:out")
    [ -n "$audio" ] && [ -n "$midi" ] || fail "the JACK devices are not listed"
    write_settings "$audio" "$midi"
    start_program
    wait_for_port -c "sorvella-e2e-seq:out"

    "$program" >"$work/second.log" 2>&1 || fail "a second start ended with $?"
    kill -0 "$standalone" 2>/dev/null || fail "the second start ended the first"

    jack_rec -f "$work/take.wav" -d 3 -b 16 "Sorvella:outport 0" "Sorvella:outport 1" \
        >"$work/rec.log" 2>&1 || fail "jack_rec failed"
    "$probe" "$work/take.wav" -45 -10 214 226 || fail "the recording's level or pitch is off"
    stop_program
    [ ! -e "$XDG_RUNTIME_DIR/sorvella-standalone.sock" ] || fail "the instance socket was left"
    echo "50-jack: 1 passed, 0 failed"
else
    start_jack 64
    # Voices (parameter 0) on controller 20, every other parameter on none; then the voice
    # limit up to 32 and 32 notes held.
    midicfg="14$(printf 'FF%.0s' $(seq 28))"
    messages=(B0147F)
    notes=${SORVELLA_XRUN_NOTES:-32}
    for note in $(seq 40 $((39 + notes))); do messages+=("$(printf '90%02X64' "$note")"); done
    "$hold" sorvella-bench 3 "$((SORVELLA_XRUN_SECONDS + 10))" "${messages[@]}" \
        >"$work/hold.log" 2>&1 &
    pids+=($!)
    wait_for_port "sorvella-bench:out"
    audio=$(index_of "Audio devices:" "JACK: system")
    midi=$(index_of "MIDI input ports:" "sorvella-bench:out")
    write_settings "$audio" "$midi" "$midicfg"
    start_program
    sleep 4
    xruns=$(grep -c 'XRun' "$work/jackd.log" || true)
    late=$(grep -c 'client = Sorvella' "$work/jackd.log" || true)
    sleep "$SORVELLA_XRUN_SECONDS"
    xruns=$(($(grep -c 'XRun' "$work/jackd.log" || true) - xruns))
    late=$(($(grep -c 'client = Sorvella' "$work/jackd.log" || true) - late))
    echo "50-jack: 64-frame period, $notes voices, ${SORVELLA_XRUN_SECONDS} s: $xruns xrun" \
        "reports from JACK, $late of them naming Sorvella late"
    stop_program
fi
