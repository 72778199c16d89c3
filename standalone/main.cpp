// sorvella-standalone: plays the instrument from a MIDI input port to a sound card.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "editor/editor_factory.h"
#include "platform/error_box.h"
#include "standalone/audio_output.h"
#include "standalone/dialog_presenter.h"
#include "standalone/main_loop.h"
#include "standalone/main_window.h"
#include "standalone/midi_ports.h"
#include "standalone/my_vsti_standalone.h"
#include "standalone/single_instance.h"

namespace {

constexpr std::chrono::milliseconds kIdlePeriod{100};

void printUsage(std::FILE* out) {
    std::fputs(
        "Usage: sorvella-standalone [--list-devices | --help | --version]\n"
        "Plays the Sorvella vowel synthesizer from a MIDI input port to an audio device.\n"
        "Devices, channels, latency and sample rate are chosen with the SETUP button and kept\n"
        "in $XDG_CONFIG_HOME/Kestrane/Sorvella.conf. While the window has the focus, the\n"
        "computer keyboard plays notes: the rows from Z and from Q, with - and = for the octave.\n"
        "\n"
        "  --list-devices  print the audio devices and MIDI ports with their numbers\n"
        "  --help          print this text\n"
        "  --version       print the version\n",
        out);
}

void listDevices() {
    std::puts("Audio devices:");
    const auto audio = sorvella::listAudioOutputs();
    for (std::size_t i = 0; i < audio.size(); ++i)
        std::printf("  %zu  %s\n", i, audio[i].label.c_str());
    for (auto direction : {sorvella::MidiDirection::kInput, sorvella::MidiDirection::kOutput}) {
        const bool input = direction == sorvella::MidiDirection::kInput;
        std::printf("MIDI %s ports:\n", input ? "input" : "output");
        const auto ports = sorvella::listMidiPorts(direction);
        for (std::size_t i = 0; i < ports.size(); ++i)
            std::printf("  %zu  %s\n", i, ports[i].label.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        if (std::strcmp(argv[1], "--help") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (std::strcmp(argv[1], "--version") == 0) {
            std::printf("sorvella-standalone %s\n", SORVELLA_VERSION);
            return 0;
        }
        if (std::strcmp(argv[1], "--list-devices") == 0 && argc == 2) {
            listDevices();
            return 0;
        }
        printUsage(stderr);
        return 2;
    }

    // Before any thread starts, so that only the main loop ever sees these signals.
    const int signals = sorvella::blockTerminationSignals();

    sorvella::SingleInstance instance;
    if (instance.role() == sorvella::SingleInstance::Role::kSecond) return 0;

    sorvella::setErrorPresenter(sorvella::presentWithDialog);
    std::unique_ptr<sorvella::MyVstiStandalone> app =
        sorvella::MyVstiStandalone::create(sorvella::sorvellaEditorFactory());
    if (!app) return 1;

    sorvella::MainLoop loop;
    // Without a display the program plays headless.
    std::unique_ptr<sorvella::MainWindow> window =
        sorvella::MainWindow::open(*app, [&] { loop.quit(0); });
    if (window) {
        app->setWindow(window.get());
        window->serve(loop, signals);
    }
    loop.watch(signals, [&] {
        sorvella::takeSignal(signals);
        loop.quit(0);
    });
    loop.watch(instance.requestFd(), [&] { instance.takeRequests([&] { app->raiseWindow(); }); });
    loop.setTimer(kIdlePeriod, [&] {
        app->idle();
        if (window) window->idle();
    });
    const int code = loop.run();

    // Devices, recording and editor first; the window goes only after its editor has closed.
    app->shutdown();
    app->setWindow(nullptr);
    window.reset();
    app.reset();
    if (signals >= 0) ::close(signals);
    return code;
}
