#!/usr/bin/env bash
# The standalone program end to end on a private JACK server with the dummy driver: jack_midiseq
# plays a note into its MIDI input, jack_rec records its output, and the recording's pitch and
# level are checked; a second start exits 0 and leaves the first running; SIGTERM ends it with
# exit code 0. Then under Xvfb with its window: a second start shows the hidden window again, the
# WAV button records through the path dialog (neither zenity nor kdialog is installed here), the
# recording's header matches its data, SETUP opens the Setup dialog transient for the main window,
# and closing the window during a recording ends the program with 0 and a complete file. The
# windowed run takes no MIDI input: its notes come from keys held on the computer keyboard.
# Everything started here is stopped here.
#
# With SORVELLA_SCREENSHOTS=FOLDER it also keeps pictures of the main window and the Setup dialog
# there (imagemagick's import), for review.
#
# With SORVELLA_XRUN_SECONDS=N it measures instead: at a 64-frame period with 32 voices sounding
# (SORVELLA_XRUN_NOTES to change), the xruns JACK reports over N seconds, and how many of them
# name Sorvella's client as late. A benchmark figure, never a pass or fail.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${SORVELLA_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" --target sorvella-standalone wav_probe midi_hold wm_delete \
    >/dev/null
program=$PWD/$build/standalone/sorvella-standalone
probe=$PWD/$build/tests/standalone/wav_probe
hold=$PWD/$build/tests/standalone/midi_hold
wm_delete=$PWD/$build/tests/standalone/wm_delete

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
    (cd "$work" && exec "$program") >"$work/standalone.log" 2>&1 &
    standalone=$!
    pids+=($standalone)
    wait_for_port "Sorvella:outport 1"
}

# Checks that the program leaves with 0 within 10 s of being asked to (stop_program: SIGTERM).
wait_program_exit() {
    for _ in $(seq 100); do
        kill -0 "$standalone" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$standalone" 2>/dev/null && fail "sorvella-standalone did not end when asked to"
    local code=0
    wait "$standalone" || code=$?
    [ "$code" -eq 0 ] || fail "sorvella-standalone ended with $code"
    unset 'pids[${#pids[@]}-1]'
}
stop_program() {
    kill -TERM "$standalone"
    wait_program_exit
}

# The first X window whose name is exactly $1, waiting up to 10 s for it.
find_window() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    fail "no window named $1"
}
window_gone() {
    for _ in $(seq 50); do
        xdotool search --name "^$1\$" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    fail "the window $1 stayed"
}
click() {  # click WINDOW X Y
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

start_xvfb() {
    local d
    for d in $(seq 90 150); do
        [ -e "/tmp/.X$d-lock" ] || [ -e "/tmp/.X11-unix/X$d" ] || break
    done
    Xvfb ":$d" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids+=($!)
    export DISPLAY=":$d"
    for _ in $(seq 100); do
        xwininfo -root >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    fail "Xvfb did not start"
}

# RIFF header against data, then level and pitch: note 64 from the computer keyboard's E sounds
# at 165 Hz in the default program.
check_take() {
    [ -s "$1" ] || fail "no recording at $1"
    "$probe" "$1" -45 -10 160 170 || fail "the recording $1 is damaged, or its level or pitch off"
}

# Starts a recording through the WAV button and the path dialog, which opens in the working
# folder; the name is typed after it.
record_with_button() {
    click "$main" 30 353
    local dialog
    dialog=$(find_window "Save WAV File")
    click "$dialog" 440 41
    xdotool type --delay 20 "$1"
    click "$dialog" 410 79
    window_gone "Save WAV File"
}

# The program with its window and no MIDI input, played from the computer keyboard: WAV, Setup,
# and closing the window.
windowed_run() {
    write_settings "$audio" 9999
    start_xvfb
    start_program
    local setup
    main=$(find_window Sorvella)
    # A second start brings the first window back, even from hidden.
    xdotool windowunmap "$main"
    (cd "$work" && exec "$program") >"$work/second.log" 2>&1 || fail "a second start ended with $?"
    [ "$(find_window Sorvella)" = "$main" ] || fail "the second start did not raise the window"
    record_with_button button-take
    xdotool windowfocus "$main"
    sleep 0.3
    xdotool keydown e
    sleep 2.5
    xdotool keyup e
    click "$main" 30 353
    sleep 0.5
    check_take "$work/button-take.wav"
    if [ -n "${SORVELLA_SCREENSHOTS:-}" ]; then
        mkdir -p "$SORVELLA_SCREENSHOTS"
        import -window "$main" "$SORVELLA_SCREENSHOTS/main-window.png"
    fi

    click "$main" 30 332
    setup=$(find_window Setup)
    xprop -id "$setup" WM_TRANSIENT_FOR | grep -qi "$(printf '0x%x' "$main")" ||
        fail "the Setup dialog is not transient for the main window"
    if [ -n "${SORVELLA_SCREENSHOTS:-}" ]; then
        sleep 0.5
        import -window "$setup" "$SORVELLA_SCREENSHOTS/setup-dialog.png"
    fi
    click "$setup" 150 305  # Cancel
    window_gone Setup

    # Closing the window during a recording finishes the file before the program ends.
    record_with_button closing-take
    xdotool windowfocus "$main"
    sleep 0.3
    xdotool keydown e
    sleep 2
    "$wm_delete" "$main"
    wait_program_exit
    xdotool keyup e
    check_take "$work/closing-take.wav"
    [ ! -e "$XDG_RUNTIME_DIR/sorvella-standalone.sock" ] || fail "the instance socket was left"
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
    windowed_run
    echo "50-jack: 2 passed, 0 failed"
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
