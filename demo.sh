#!/usr/bin/env bash
# Builds Sorvella. Where there is a display and an audio device, starts sorvella-standalone, to be
# played from a MIDI keyboard or the computer keyboard; elsewhere renders the demo song to
# out/demo.wav with the offline renderer, played by program 0 of the factory bank ("Choir Aah").
# Arguments ask for the render and go to sorvella-render, winning over these (for example
# --program 2 for "Vowel Lead").
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target sorvella sorvella-render sorvella-standalone

# True when the program lists at least one audio device (a sound card, or a running JACK,
# PipeWire or PulseAudio server).
has_audio_device() {
    build/standalone/sorvella-standalone --list-devices 2>/dev/null |
        awk '/^Audio devices:/ { inside = 1; next } /^[A-Z]/ { inside = 0 } inside && NF { found = 1 }
             END { exit !found }'
}

if [ $# -eq 0 ] && [ -n "${DISPLAY:-}" ] && has_audio_device; then
    echo "Starting sorvella-standalone (SETUP chooses the audio device and the MIDI input)"
    exec build/standalone/sorvella-standalone
fi
mkdir -p out
build/tools/sorvella-render demo/demo.mid -o out/demo.wav \
    --bank presets/factory/factory.fxb --program 0 "$@"
echo "Rendered out/demo.wav"
